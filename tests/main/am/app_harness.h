// Test applications for the framework's tests: each records what reaches it, and its init, exit
// and process results are set by the test.
#pragma once

#include "main/am/aee/aee.h"
#include "main/am/amb/amb.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace apptest {

// Generous: tests run in parallel, under sanitizers and under qemu.
constexpr std::chrono::seconds kDeadline{30};

// OS threads, console tables (without the console thread), the execution environment and the
// handle pool; once per process.
void startExecEnv();
// startExecEnv and the application manager "app_mngr".
void startFramework();

struct ReceivedMsg {
    uint32_t msgId;
    bool nullPayload;
    std::vector<uint8_t> data;
    uint64_t seq;           // order of arrival across all test applications
    std::string threadApp;  // aee_get_name() on the receiving thread
    std::chrono::steady_clock::time_point at;  // when the process function got it
};

class TestApp {
public:
    explicit TestApp(std::string name, uint16_t maxPayload = 64);
    ~TestApp();
    TestApp(const TestApp&) = delete;
    TestApp& operator=(const TestApp&) = delete;

    // The three functions every test application runs with.
    static app_fct_t functions();
    // A valid registration record for `name` (cut to 16 characters).
    static void fillRecord(amb_register_info_t* info, const std::string& name, uint16_t maxPayload = 64);

    const std::string& name() const { return name_; }
    // The broker keeps a registration by reference for the life of the process, so the record of
    // a name outlives its test application: a later application of the same name has the same
    // record (register it with registerApp).
    amb_register_info_t& record() { return info_; }
    handle_t handle() const { return handle_.load(); }

    std::atomic<int32_t> initResult{0};
    std::atomic<int32_t> exitResult{0};
    std::atomic<int32_t> processResult{0};

    int initCalls() const;
    int exitCalls() const;
    bool waitMessages(size_t count);
    std::vector<ReceivedMsg> messages() const;
    // Forgets what arrived so far (a recorder kept for the process, at the start of a case).
    void clearMessages();

    // Exits the application directly (not through the manager) when it runs, and waits until its
    // thread has let go of its handle.
    void stop();

private:
    friend struct Registry;
    std::string name_;
    amb_register_info_t& info_;  // kept for the process: see record()
    std::atomic<handle_t> handle_{0};
    std::atomic<bool> running_{false};
    mutable std::mutex lock_;
    std::condition_variable changed_;
    int initCalls_ = 0;
    int exitCalls_ = 0;
    std::vector<ReceivedMsg> msgs_;
};

// Registers `record` unless the broker holds this very record already: 0, or the broker's result.
int32_t registerApp(amb_register_info_t* record);

// Records the codes a notify function is given; the tag is the recorder itself.
class NotifyRecorder {
public:
    static int32_t fct(handle_t app, aee_nfy_tag_t tag, uint32_t code);
    aee_nfy_tag_t tag() { return reinterpret_cast<aee_nfy_tag_t>(this); }
    bool waitFor(uint32_t code);
    std::vector<uint32_t> codes() const;
    // The notify function answers non-zero to this code.
    std::atomic<int64_t> vetoCode{-1};

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<uint32_t> codes_;
};

}  // namespace apptest
