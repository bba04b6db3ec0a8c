#include "main/gui/gui_ops.h"
#include "main/gui/gui_ops_priv.h"

#include "main/gui/gui_disp.h"
#include "main/gui/wrapper/wrapper_nand.h"
#include "main/timerd/gui_log.h"
#include "main/timerd/gui_timer.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

constexpr uint32_t kTickMs = 100;
constexpr uint32_t kFirstTickMs = 10;
constexpr uint32_t kMaxDimmer = 5;
constexpr uint16_t kScrollSpeedMs = 350;
constexpr size_t kTextSize = 6;
constexpr size_t kScrollSize = 32;
constexpr size_t kScrollMax = 28;      // scroll: longer texts are refused
constexpr size_t kScrollOnceMax = 29;  // scroll once
constexpr uint32_t kDimmerSaveMs = 1000;

using Text = char[kTextSize];

struct StaticRec {
    Text text;
    uint16_t timeMs;
    GuiOpsDispCbk done;
};
struct StaticOnceRec {
    Text text;
    uint16_t count;
    uint16_t timeMs;
    GuiOpsDispCbk done;
};
struct BlinkRec {
    Text text;
    Text alt;
    uint8_t dark;
    uint8_t toggle;
    uint32_t onMs;
    uint32_t offMs;
};
struct BlinkOnceRec {
    Text text;
    uint8_t dark;
    uint32_t onMs;
    uint32_t offMs;
    uint16_t count;
    GuiOpsDispCbk done;
};
struct ScrollRec {
    Text window;
    uint8_t offset;
    char text[kScrollSize];
    uint8_t length;
    uint16_t speedMs;
};
struct ScrollOnceRec {
    Text window;
    uint8_t offset;
    char text[kScrollSize];
    uint8_t length;
    uint16_t speedMs;
    uint16_t count;
    uint8_t done;
    uint16_t holdMs;
    GuiOpsDispCbk finish;
};
struct BreathRec {
    Text text;
    uint32_t level;
    uint32_t maxLevel;
    uint32_t interval;
    uint32_t darkTicks;
    uint8_t breathing;
    uint8_t rising;
};

// The mode and its records, shared by the requesting threads (GUI and completion functions), the
// tick's timer thread and the writer; one lock guards them all. Completion functions run outside
// it, since they usually make the next request.
struct GuiOps {
    std::mutex lock;
    std::condition_variable wake;
    uint32_t wakeSeq = 0;  // raised by every wake; the writer remembers the last one it served
    bool stop = false;
    std::thread writer;

    uint32_t inited = 0;
    uint32_t dimmer = kMaxDimmer;
    uint16_t cnt = 0;
    uint32_t mode = GUI_OPS_DISP_MODE_NONE;
    StaticRec st{};
    StaticOnceRec sto{};
    BlinkRec bl{};
    BlinkOnceRec blo{};
    ScrollRec sc{};
    ScrollOnceRec sco{};
    BreathRec br{};
    uint32_t tickTimer = 0;
    uint32_t saveTimer = 0;
};

// Never destroyed: timer threads and the writer may still run while the process ends.
GuiOps& gGuiOpsThisObj = *new GuiOps;

// Guarded by the ops lock.
GuiOpsRequest gLastRequest;

void noteLocked(uint32_t mode, const char* text, uint16_t count, uint32_t timeMs, uint32_t offMs, GuiOpsDispCbk done)
{
    gLastRequest = GuiOpsRequest{mode, text != nullptr ? text : "", count, timeMs, offMs, done};
}

void copyText(Text& to, const char* from)
{
    memset(to, 0, sizeof(to));
    if (from != nullptr) {
        memcpy(to, from, strnlen(from, kTextSize - 1));
    }
}

bool sameText(const Text& stored, const char* text)
{
    return strncmp(stored, text != nullptr ? text : "", kTextSize - 1) == 0;
}

GuiDispFrame frameOf(const char* text)
{
    GuiDispFrame f{};
    for (size_t i = 0; i < f.size() && text[i] != '\0'; ++i) {
        f[i] = static_cast<uint8_t>(text[i]);
    }
    return f;
}

// Caller holds the lock.
void wakeLocked(GuiOps& o)
{
    ++o.wakeSeq;
    o.wake.notify_one();
}

void cleanLocked(GuiOps& o)
{
    o.mode = GUI_OPS_DISP_MODE_NONE;
    o.cnt = 0;
    o.sto.done = nullptr;
    o.blo.done = nullptr;
    o.sco.finish = nullptr;
    memset(o.st.text, 0, sizeof(o.st.text));
    memset(o.sto.text, 0, sizeof(o.sto.text));
    memset(o.bl.text, 0, sizeof(o.bl.text));
    memset(o.blo.text, 0, sizeof(o.blo.text));
    memset(o.br.text, 0, sizeof(o.br.text));
    memset(o.sc.text, 0, sizeof(o.sc.text));
    memset(o.sco.text, 0, sizeof(o.sco.text));
}

void armTick(uint32_t firstMs, uint32_t periodMs)
{
    guiTimerSet(gGuiOpsThisObj.tickTimer, firstMs, periodMs);
}

// Ends a timed mode; its completion function is handed back to run after the lock.
GuiOpsDispCbk finishLocked(GuiOps& o, GuiOpsDispCbk done)
{
    o.mode = GUI_OPS_DISP_MODE_NONE;
    o.cnt = 0;
    armTick(0, 0);
    return done;
}

uint8_t scrollLength(char (&text)[kScrollSize], const char* from)
{
    memset(text, 0, sizeof(text));
    strncpy(text, from, kScrollSize - 1);
    // The gap before a long text starts over.
    if (strlen(text) >= LED_DISPLAY_FRAME_SIZE) {
        strncat(text, "  ", kScrollSize - 1 - strlen(text));
    }
    return static_cast<uint8_t>(strlen(text));
}

void breathStepLocked(GuiOps& o)
{
    BreathRec& b = o.br;
    ++o.cnt;
    if (b.breathing == 0) {
        if (o.cnt >= b.darkTicks) {
            o.cnt = 0;
            b.breathing = 1;
        }
        return;
    }
    if (o.cnt < b.interval) {
        return;
    }
    o.cnt = 0;
    uint32_t next = 0;
    if (b.rising != 0) {
        next = b.level + 1;
        if (next >= b.maxLevel) {
            b.rising = 0;
        }
    } else {
        next = b.level - 1;
        if (b.level == 1) {
            b.rising = 1;
        }
    }
    if (next == 0) {
        b.breathing = 0;
        o.cnt = 0;
    }
    b.level = next;
    wakeLocked(o);
}

// One 100 ms tick (10 ms in breath mode): counts and wakes the writer; no device work.
void guiOpsTimeoutCbk(uint32_t)
{
    GuiOps& o = gGuiOpsThisObj;
    GuiOpsDispCbk done = nullptr;
    {
        std::lock_guard<std::mutex> lock(o.lock);
        switch (o.mode) {
        case GUI_OPS_DISP_MODE_STATIC:
            if (o.cnt == 0) {
                wakeLocked(o);
            }
            if (o.st.done != nullptr && ++o.cnt > o.st.timeMs / kTickMs) {
                done = finishLocked(o, o.st.done);
            }
            break;
        case GUI_OPS_DISP_MODE_STATIC_ONCE:
            if (o.cnt == 0) {
                wakeLocked(o);
            }
            if (++o.cnt > o.sto.timeMs / kTickMs) {
                o.cnt = 0;
                if (o.sto.count != 0 && --o.sto.count == 0) {
                    done = finishLocked(o, o.sto.done);
                }
            }
            break;
        case GUI_OPS_DISP_MODE_BLINK:
        case GUI_OPS_DISP_MODE_BLINK_ONCE: {
            const bool once = o.mode == GUI_OPS_DISP_MODE_BLINK_ONCE;
            const uint32_t on = once ? o.blo.onMs : o.bl.onMs;
            const uint32_t off = once ? o.blo.offMs : o.bl.offMs;
            uint8_t& dark = once ? o.blo.dark : o.bl.dark;
            if (o.cnt == 0) {
                dark = 0;
                wakeLocked(o);
            } else if (o.cnt == on / kTickMs) {
                dark = 1;
                wakeLocked(o);
            }
            if (++o.cnt > (on + off) / kTickMs) {
                o.cnt = 0;
                if (once && o.blo.count != 0 && --o.blo.count == 0) {
                    done = finishLocked(o, o.blo.done);
                }
            }
            break;
        }
        case GUI_OPS_DISP_MODE_SCROLL:
            if (o.cnt == 0) {
                wakeLocked(o);
            }
            if (++o.cnt > o.sc.speedMs / kTickMs) {
                o.cnt = 0;
            }
            break;
        case GUI_OPS_DISP_MODE_SCROLL_ONCE:
            if (o.sco.done == 0) {
                if (o.cnt == 0) {
                    wakeLocked(o);
                }
                if (++o.cnt > o.sco.speedMs / kTickMs) {
                    o.cnt = 0;
                }
                break;
            }
            // A hold below one tick counts as none.
            if (o.sco.holdMs >= kTickMs) {
                o.cnt = static_cast<uint16_t>(o.sco.holdMs / kTickMs - 1);
                o.sco.holdMs = static_cast<uint16_t>(o.cnt * kTickMs);
            } else {
                o.cnt = 0;
            }
            GUI_LOG_INFO("cnt=%d", o.cnt);
            if (o.cnt == 0 && o.sco.count != 0 && --o.sco.count == 0) {
                done = finishLocked(o, o.sco.finish);
            }
            break;
        case GUI_OPS_DISP_MODE_BREATH:
            breathStepLocked(o);
            armTick(kFirstTickMs, 0);
            break;
        default:
            break;
        }
    }
    if (done != nullptr) {
        done();
    }
}

// The frame of the current mode, moving a scroll on by one character. Caller holds the lock.
bool composeLocked(GuiOps& o, GuiDispFrame& frame, int32_t& breathLevel)
{
    breathLevel = -1;
    switch (o.mode) {
    case GUI_OPS_DISP_MODE_STATIC:
        frame = frameOf(o.st.text);
        return true;
    case GUI_OPS_DISP_MODE_STATIC_ONCE:
        frame = frameOf(o.sto.text);
        return true;
    case GUI_OPS_DISP_MODE_BLINK:
        frame = o.bl.dark == 0 ? frameOf(o.bl.text) : (o.bl.toggle != 0 ? frameOf(o.bl.alt) : GuiDispFrame{});
        return true;
    case GUI_OPS_DISP_MODE_BLINK_ONCE:
        frame = o.blo.dark != 0 ? GuiDispFrame{} : frameOf(o.blo.text);
        return true;
    case GUI_OPS_DISP_MODE_SCROLL:
        if (o.sc.length > LED_DISPLAY_FRAME_SIZE) {
            copyText(o.sc.window, o.sc.text + o.sc.offset);
            if (++o.sc.offset >= o.sc.length) {
                o.sc.offset = 0;
            }
        } else {
            copyText(o.sc.window, o.sc.text);
        }
        frame = frameOf(o.sc.window);
        return true;
    case GUI_OPS_DISP_MODE_SCROLL_ONCE:
        copyText(o.sco.window, o.sco.offset < kScrollSize ? o.sco.text + o.sco.offset : "");
        frame = frameOf(o.sco.window);
        if (++o.sco.offset >= o.sco.length) {
            o.sco.offset = 0;
            o.sco.done = 1;
        }
        return true;
    case GUI_OPS_DISP_MODE_BREATH:
        frame = frameOf(o.br.text);
        breathLevel = static_cast<int32_t>(o.br.level);
        return true;
    default:
        return false;
    }
}

// Writes the current frame at every wake after `served`; a wake during a write is served by one
// more write.
void guiOpsWriteThread(uint32_t served)
{
    GuiOps& o = gGuiOpsThisObj;
    std::unique_lock<std::mutex> lock(o.lock);
    for (;;) {
        o.wake.wait(lock, [&] { return o.stop || o.wakeSeq != served; });
        if (o.stop) {
            return;
        }
        served = o.wakeSeq;
        GuiDispFrame frame{};
        int32_t breathLevel = -1;
        if (!composeLocked(o, frame, breathLevel)) {
            continue;
        }
        lock.unlock();
        guiDispWrite(frame);
        if (breathLevel >= 0) {
            guiDispIoctlBreath(static_cast<uint32_t>(breathLevel));
        }
        lock.lock();
    }
}

void guiOpsDimmerSaveTimeoutCbk(uint32_t)
{
    uint32_t rec[GUI_WRAPPER_NAND_REC_WORDS] = {};
    rec[0] = 1;
    rec[2] = guiOpsDispDimmerGet();
    GUI_LOG_INFO("lcd_dimmer_lvl=%d", static_cast<int>(rec[2]));
    guiWrapperNandParamSet(GUI_WRAPPER_NAND_ITEM_DIMMER, rec);
}

// The common start of static, blink and breath requests: ends another mode, and tells whether the
// text is the one showing already (then the request is ignored).
bool beginLocked(GuiOps& o, uint32_t mode, const Text& stored, const char* text)
{
    if (o.mode != mode) {
        cleanLocked(o);
    }
    return sameText(stored, text);
}

}  // namespace

void guiOpsInit(void)
{
    GuiOps& o = gGuiOpsThisObj;
    {
        std::lock_guard<std::mutex> lock(o.lock);
        if (o.inited != 0) {
            return;
        }
        cleanLocked(o);
        o.dimmer = kMaxDimmer;
        o.stop = false;
    }
    guiDispInit();
    if (!o.writer.joinable()) {
        uint32_t served = 0;
        {
            std::lock_guard<std::mutex> lock(o.lock);
            served = o.wakeSeq;
        }
        try {
            o.writer = std::thread(guiOpsWriteThread, served);
        } catch (const std::system_error&) {
            // Out of threads or memory: the layer stays uninitialised and the next init tries again.
            GUI_LOG_ERR("Create guiOpsWriteThread failed!");
            return;
        }
    }
    std::lock_guard<std::mutex> lock(o.lock);
    o.cnt = 0;
    o.tickTimer = guiTimerCreate(guiOpsTimeoutCbk, 0);
    if (o.tickTimer != 0) {
        GUI_LOG_INFO("Timer Create Success!");
    }
    o.saveTimer = guiTimerCreate(guiOpsDimmerSaveTimeoutCbk, 0);
    if (o.saveTimer != 0) {
        GUI_LOG_INFO("Timer Dimmer Save Create Success!");
    }
    o.inited = 1;
}

void guiOpsExit(void)
{
    GuiOps& o = gGuiOpsThisObj;
    uint32_t tick = 0;
    uint32_t save = 0;
    {
        std::lock_guard<std::mutex> lock(o.lock);
        tick = o.tickTimer;
        save = o.saveTimer;
        o.tickTimer = 0;
        o.saveTimer = 0;
        o.stop = true;
        o.wake.notify_all();
    }
    // Deleting waits for a running tick, which may be waiting for the lock: not held here.
    guiTimerDelete(tick);
    guiTimerDelete(save);
    if (o.writer.joinable()) {
        o.writer.join();
    }
    guiDispExit();
    std::lock_guard<std::mutex> lock(o.lock);
    cleanLocked(o);
    o.dimmer = kMaxDimmer;
    o.inited = 0;
}

void guiOpsDispStaticStr(const char* text, uint16_t timeMs, GuiOpsDispCbk done)
{
    GuiOps& o = gGuiOpsThisObj;
    std::lock_guard<std::mutex> lock(o.lock);
    noteLocked(GUI_OPS_DISP_MODE_STATIC, text, 0, timeMs, 0, done);
    GUI_LOG_API("last_mode=%d, disp_str=%s, last_static_str=%s", static_cast<int>(o.mode), text != nullptr ? text : "",
                o.st.text);
    if (beginLocked(o, GUI_OPS_DISP_MODE_STATIC, o.st.text, text)) {
        return;
    }
    copyText(o.st.text, text);
    o.st.timeMs = timeMs;
    o.st.done = done;
    o.cnt = 0;
    o.mode = GUI_OPS_DISP_MODE_STATIC;
    armTick(kFirstTickMs, done != nullptr ? kTickMs : 0);
}

void guiOpsDispStaticOnceStr(const char* text, uint16_t count, uint16_t timeMs, GuiOpsDispCbk done)
{
    GuiOps& o = gGuiOpsThisObj;
    std::lock_guard<std::mutex> lock(o.lock);
    noteLocked(GUI_OPS_DISP_MODE_STATIC_ONCE, text, count, timeMs, 0, done);
    GUI_LOG_API("last_mode=%d, disp_str=%s, last_static_once_str=%s", static_cast<int>(o.mode),
                text != nullptr ? text : "", o.sto.text);
    if (o.mode != GUI_OPS_DISP_MODE_STATIC_ONCE) {
        cleanLocked(o);
    }
    copyText(o.sto.text, text);
    o.sto.count = count;
    o.sto.timeMs = timeMs;
    o.sto.done = done;
    o.cnt = 0;
    o.mode = GUI_OPS_DISP_MODE_STATIC_ONCE;
    armTick(kFirstTickMs, kTickMs);
}

namespace {

void blinkStart(const char* text, const char* alt, uint32_t onMs, uint32_t offMs)
{
    GuiOps& o = gGuiOpsThisObj;
    std::lock_guard<std::mutex> lock(o.lock);
    noteLocked(GUI_OPS_DISP_MODE_BLINK, text, 0, onMs, offMs, nullptr);
    GUI_LOG_API("last_mode=%d, disp_str=%s, last_blink_str=%s", static_cast<int>(o.mode), text != nullptr ? text : "",
                o.bl.text);
    if (beginLocked(o, GUI_OPS_DISP_MODE_BLINK, o.bl.text, text)) {
        return;
    }
    copyText(o.bl.text, text);
    copyText(o.bl.alt, alt);
    o.bl.dark = 0;
    o.bl.toggle = alt != nullptr ? 1 : 0;
    o.bl.onMs = onMs;
    o.bl.offMs = offMs;
    o.cnt = 0;
    o.mode = GUI_OPS_DISP_MODE_BLINK;
    armTick(kFirstTickMs, kTickMs);
}

}  // namespace

void guiOpsDispBlinkStr(const char* text, uint32_t onMs, uint32_t offMs)
{
    blinkStart(text, nullptr, onMs, offMs);
}

void guiOpsDispBlinkToggleStr(const char* text, const char* alt, uint32_t onMs, uint32_t offMs)
{
    blinkStart(text, alt != nullptr ? alt : "", onMs, offMs);
}

void guiOpsDispBlinkOnceStr(const char* text, uint16_t count, uint32_t onMs, uint32_t offMs, GuiOpsDispCbk done)
{
    GuiOps& o = gGuiOpsThisObj;
    std::lock_guard<std::mutex> lock(o.lock);
    noteLocked(GUI_OPS_DISP_MODE_BLINK_ONCE, text, count, onMs, offMs, done);
    GUI_LOG_API("last_mode=%d, disp_str=%s, last_blink_once_str=%s", static_cast<int>(o.mode),
                text != nullptr ? text : "", o.blo.text);
    if (beginLocked(o, GUI_OPS_DISP_MODE_BLINK_ONCE, o.blo.text, text)) {
        return;
    }
    copyText(o.blo.text, text);
    o.blo.dark = 0;
    o.blo.onMs = onMs;
    o.blo.offMs = offMs;
    o.blo.count = count;
    o.blo.done = done;
    o.cnt = 0;
    o.mode = GUI_OPS_DISP_MODE_BLINK_ONCE;
    armTick(kFirstTickMs, kTickMs);
}

void guiOpsDispScrollStr(const char* text)
{
    GuiOps& o = gGuiOpsThisObj;
    std::lock_guard<std::mutex> lock(o.lock);
    noteLocked(GUI_OPS_DISP_MODE_SCROLL, text, 0, kScrollSpeedMs, 0, nullptr);
    const char* t = text != nullptr ? text : "";
    GUI_LOG_API("last_mode=%d, disp_str=%s, last_scroll_str=%s", static_cast<int>(o.mode), t, o.sc.text);
    cleanLocked(o);
    const size_t len = strlen(t);
    if (len > kScrollMax) {
        GUI_LOG_ERR("scroll string is too long = %d", static_cast<int>(len));
        return;
    }
    memset(o.sc.window, 0, sizeof(o.sc.window));
    o.sc.offset = 0;
    o.sc.speedMs = kScrollSpeedMs;
    o.sc.length = scrollLength(o.sc.text, t);
    o.cnt = 0;
    o.mode = GUI_OPS_DISP_MODE_SCROLL;
    armTick(kFirstTickMs, kTickMs);
}

void guiOpsDispScrollOnceStr(const char* text, uint16_t count, uint16_t speedMs, uint16_t holdMs, GuiOpsDispCbk done)
{
    GuiOps& o = gGuiOpsThisObj;
    std::lock_guard<std::mutex> lock(o.lock);
    noteLocked(GUI_OPS_DISP_MODE_SCROLL_ONCE, text, count, speedMs, holdMs, done);
    const char* t = text != nullptr ? text : "";
    GUI_LOG_API("last_mode=%d, disp_str=%s, last_scroll_once_str=%s", static_cast<int>(o.mode), t, o.sco.text);
    if (o.mode != GUI_OPS_DISP_MODE_SCROLL_ONCE) {
        cleanLocked(o);
    }
    const size_t len = strlen(t);
    if (len > kScrollOnceMax) {
        GUI_LOG_ERR("scroll string is too long = %d", static_cast<int>(len));
        return;
    }
    o.sco.count = count;
    o.sco.done = 0;
    o.sco.holdMs = holdMs;
    o.sco.finish = done;
    o.sco.speedMs = speedMs;
    memset(o.sco.window, 0, sizeof(o.sco.window));
    o.sco.offset = 0;
    o.sco.length = scrollLength(o.sco.text, t);
    o.cnt = 0;
    o.mode = GUI_OPS_DISP_MODE_SCROLL_ONCE;
    armTick(kFirstTickMs, kTickMs);
}

void guiOpsDispBreathStr(const char* text)
{
    GuiOps& o = gGuiOpsThisObj;
    std::unique_lock<std::mutex> lock(o.lock);
    noteLocked(GUI_OPS_DISP_MODE_BREATH, text, 0, 0, 0, nullptr);
    if (beginLocked(o, GUI_OPS_DISP_MODE_BREATH, o.br.text, text)) {
        return;
    }
    copyText(o.br.text, text);
    o.br.level = 0;
    o.br.breathing = 1;
    o.br.rising = 1;
    const uint32_t dimmer = o.dimmer;
    lock.unlock();
    guiOpsBreathDimmerSet(dimmer);
    lock.lock();
    GUI_LOG_API("breath_disp_lvl = %d, interval_ms = %d, dark_ms = %d", static_cast<int>(o.br.maxLevel),
                static_cast<int>(o.br.interval * 10), static_cast<int>(o.br.darkTicks * 10));
    o.cnt = 0;
    o.mode = GUI_OPS_DISP_MODE_BREATH;
    armTick(kFirstTickMs, 0);
}

void guiOpsDispAdaptiveStr(const char* text, GuiOpsDispCbk done)
{
    const char* t = text != nullptr ? text : "";
    if (strlen(t) > LED_DISPLAY_FRAME_SIZE) {
        guiOpsDispScrollStr(t);
    } else {
        guiOpsDispStaticStr(t, 5000, done);
    }
}

void guiOpsCleanDispBuf(void)
{
    std::lock_guard<std::mutex> lock(gGuiOpsThisObj.lock);
    cleanLocked(gGuiOpsThisObj);
}

uint32_t guiOpsDispModeGet(void)
{
    std::lock_guard<std::mutex> lock(gGuiOpsThisObj.lock);
    return gGuiOpsThisObj.mode;
}

void guiOpsDispDimmerSet(uint32_t level, uint8_t save)
{
    if (level > kMaxDimmer) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    GUI_LOG_INFO("lcd_dimmer_lvl=%d", static_cast<int>(level));
    uint32_t saveTimer = 0;
    {
        std::lock_guard<std::mutex> lock(gGuiOpsThisObj.lock);
        gGuiOpsThisObj.dimmer = level;
        saveTimer = gGuiOpsThisObj.saveTimer;
    }
    guiOpsBreathDimmerSet(level);
    guiDispIoctlDimmer(level);
    if (save != 0) {
        guiTimerSet(saveTimer, kDimmerSaveMs, 0);
    }
}

uint32_t guiOpsDispDimmerGet(void)
{
    uint32_t level = 0;
    {
        std::lock_guard<std::mutex> lock(gGuiOpsThisObj.lock);
        level = gGuiOpsThisObj.dimmer;
    }
    GUI_LOG_INFO("lcd_dimmer_lvl=%d", static_cast<int>(level));
    return level;
}

void guiOpsBreathDimmerSet(uint32_t)
{
    // The breath levels are not derived from the dimmer: the breath display keeps stepping 1, 0.
}

void guiOpsSetPower(uint8_t on)
{
    guiDispIoctlEnable(on);
}

void guiOpsDispPdt(uint32_t opt)
{
    if (opt > 4) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    GUI_LOG_INFO("opt=%d", static_cast<int>(opt));
    guiDispIoctlTest(opt);
}

GuiOpsRequest guiOpsLastRequest(void)
{
    std::lock_guard<std::mutex> lock(gGuiOpsThisObj.lock);
    return gLastRequest;
}

void guiOpsLastRequestClear(void)
{
    std::lock_guard<std::mutex> lock(gGuiOpsThisObj.lock);
    gLastRequest = GuiOpsRequest{};
}
