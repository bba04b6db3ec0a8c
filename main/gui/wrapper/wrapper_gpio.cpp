#include "main/gui/wrapper/wrapper_gpio.h"

#include "main/gui/wrapper/wrapper_dev_log.h"
#include "platform/quorid/quorid.h"
#include "platform/sbdev/sb_sysfs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

#define GPIO_ERR(fmt, ...) WRAPPER_LOG_ERR("<GPIO>", fmt, ##__VA_ARGS__)

namespace {

constexpr size_t kCmdSize = 64;
constexpr size_t kPathSize = 64;

// Writes `text` to the line's node; 0, or -2 with "<node> open failed!" logged.
int32_t writeNode(uint32_t gpio, const char* node, const char* text)
{
    char path[kPathSize];
    std::snprintf(path, sizeof(path), "/sys/class/gpio/gpio%u/%s", gpio, node);
    if (sb_sysfs_write(path, text, std::strlen(text)) < 0) {
        GPIO_ERR("%s open failed!", node);
        return -2;
    }
    return 0;
}

int32_t exportWrite(const char* path, uint32_t gpio, bool exporting)
{
    // A node already handed over stays writable when the hand-over fails.
    guiWrapperGpioChmod(path);
    char text[16];
    std::snprintf(text, sizeof(text), "%d", static_cast<int>(gpio));
    if (sb_sysfs_write(path, text, std::strlen(text)) < 0) {
        // The line is exported already (an earlier run left it so) and is as usable.
        if (exporting && errno == EBUSY) {
            return 0;
        }
        GPIO_ERR("export open failed!");
        return -1;
    }
    return 0;
}

}  // namespace

int32_t guiWrapperGpioChmod(const char* path)
{
    char cmd[kCmdSize];
    std::snprintf(cmd, sizeof(cmd), "chown system:system %s", path);
    if (quorid_exec(cmd, 0) != 0) {
        return -1;
    }
    std::snprintf(cmd, sizeof(cmd), "chmod 666 %s", path);
    return quorid_exec(cmd, 0) != 0 ? -1 : 0;
}

int32_t guiWrapperGpioRequest(uint32_t gpio)
{
    return exportWrite("/sys/class/gpio/export", gpio, true);
}

int32_t guiWrapperGpioRelease(uint32_t gpio)
{
    return exportWrite("/sys/class/gpio/unexport", gpio, false);
}

int32_t guiWrapperGpioDirSet(uint32_t gpio, uint32_t dir)
{
    if (dir > 1) {
        return -1;
    }
    return writeNode(gpio, "direction", dir == 0 ? "out" : "in");
}

int32_t guiWrapperGpioOutLvlSet(uint32_t gpio, uint32_t level)
{
    if (level > 2) {
        return -1;
    }
    char text[4];
    std::snprintf(text, sizeof(text), "%u", level);
    return writeNode(gpio, "value", text);
}

int32_t guiWrapperGpioInLvlSet(uint32_t gpio, uint32_t pull)
{
    static const char* const kPulls[] = {"down", "up", "floating"};
    if (pull > 2) {
        return -1;
    }
    return writeNode(gpio, "pull", kPulls[pull]);
}

int32_t guiWrapperGpioInLvlGet(uint32_t gpio)
{
    char path[kPathSize];
    std::snprintf(path, sizeof(path), "/sys/class/gpio/gpio%u/value", gpio);
    char buf[4] = {};
    const ssize_t n = sb_sysfs_read(path, buf, 3);
    if (n < 0) {
        if (errno == ENOENT) {
            GPIO_ERR("Failed to open gpio value for reading!");
            return -1;
        }
        GPIO_ERR("Failed to read value!");
        return -2;
    }
    return static_cast<int32_t>(std::strtol(buf, nullptr, 10));
}

int32_t guiWrapperGpioInEdgeSet(uint32_t gpio, uint32_t edge)
{
    static const char* const kEdges[] = {"falling", "rising", "both"};
    if (edge > 2) {
        return -1;
    }
    return writeNode(gpio, "edge", kEdges[edge]);
}

GuiWrapperGpioHandle guiWrapperGpioOpen(uint32_t gpio)
{
    if (guiWrapperGpioRequest(gpio) != 0) {
        GPIO_ERR("request gpio%d failed!", static_cast<int>(gpio));
        return nullptr;
    }
    for (const char* node : {"direction", "value", "edge"}) {
        char path[kPathSize];
        std::snprintf(path, sizeof(path), "/sys/class/gpio/gpio%u/%s", gpio, node);
        guiWrapperGpioChmod(path);
    }
    auto handle = std::make_unique<GuiWrapperGpio>();
    handle->gpio = gpio;
    return handle.release();
}

int32_t guiWrapperGpioSet(const GuiWrapperGpioHandle handle, const GuiWrapperGpioSetting* s)
{
    if (handle == nullptr || s == nullptr || s->dir > 1) {
        GPIO_ERR("Param Error!");
        return -1;
    }
    if (guiWrapperGpioDirSet(handle->gpio, s->dir) != 0) {
        GPIO_ERR("Gpio Dir Set Error");
    }
    const int32_t ret =
        s->dir == 1 ? guiWrapperGpioInLvlSet(handle->gpio, s->value) : guiWrapperGpioOutLvlSet(handle->gpio, s->value);
    if (ret != 0) {
        GPIO_ERR("Gpio Lel Set Error");
    }
    return ret;
}

int32_t guiWrapperGpioGet(const GuiWrapperGpioHandle handle, GuiWrapperGpioSetting* s)
{
    if (handle == nullptr || s == nullptr || s->dir != 1) {
        GPIO_ERR("Param Error!");
        return -1;
    }
    const int32_t level = guiWrapperGpioInLvlGet(handle->gpio);
    if (level < 0) {
        GPIO_ERR("Get gpio%d failed!", static_cast<int>(handle->gpio));
        return -2;
    }
    s->value = static_cast<uint32_t>(level);
    return level;
}

int32_t guiWrapperGpioClose(GuiWrapperGpioHandle handle)
{
    if (handle == nullptr) {
        GPIO_ERR("Param Error!");
        return -1;
    }
    std::unique_ptr<GuiWrapperGpio> owned(handle);
    guiWrapperGpioRelease(owned->gpio);
    return 0;
}
