#include "tests/support/app_support.h"

#include "main/cli/cli.h"
#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

namespace apptest {

bool eventually(const std::function<bool()>& condition)
{
    return sbtest::waitFor(condition, kDeadline, std::chrono::milliseconds(2));
}

std::string console(const std::string& line)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(u_cli_parser(line.c_str()), 0) << line;
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

int32_t registerOnce(void (*fill)(amb_register_info_t*))
{
    struct Entry {
        amb_register_info_t record{};
        bool registered = false;
    };
    static std::mutex lock;
    static std::map<void (*)(amb_register_info_t*), std::unique_ptr<Entry>> entries;
    const std::lock_guard<std::mutex> guard(lock);
    std::unique_ptr<Entry>& entry = entries[fill];
    if (!entry) {
        entry = std::make_unique<Entry>();
    }
    if (entry->registered) {
        return 0;
    }
    fill(&entry->record);
    const int32_t res = u_amb_register_app(&entry->record);
    entry->registered = res == 0;
    return res;
}

namespace {

struct Recorder {
    std::unique_ptr<TestApp> app;
    bool started = false;
};

std::mutex gRecordersLock;

std::map<std::string, Recorder>& recorders()
{
    static std::map<std::string, Recorder> all;
    return all;
}

}  // namespace

TestApp& recorder(const std::string& name)
{
    const std::lock_guard<std::mutex> guard(gRecordersLock);
    Recorder& rec = recorders()[name];
    if (!rec.app) {
        rec.app = std::make_unique<TestApp>(name, 1024);
    }
    return *rec.app;
}

TestApp& runningRecorder(const std::string& name)
{
    TestApp& app = recorder(name);
    const std::lock_guard<std::mutex> guard(gRecordersLock);
    Recorder& rec = recorders()[name];
    if (!rec.started) {
        EXPECT_EQ(apptest::registerApp(&app.record()), 0) << name;
        EXPECT_EQ(u_amb_sync_start_app(app.name().c_str()), 0) << name;
        rec.started = true;
    }
    return app;
}

}  // namespace apptest
