#include "tests/main/am/app_harness.h"

#include "main/am/am.h"
#include "main/app_init.h"
#include "main/cli/cli.h"
#include "main/mw/handle/handle.h"
#include "main/mw/os_pthread/os_thread.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>

namespace apptest {

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        fprintf(stderr, "test framework start failed: %s\n", what);
        abort();
    }
}

}  // namespace

struct Registry {
    std::mutex lock;
    std::map<std::string, TestApp*> byName;
    std::map<handle_t, TestApp*> byHandle;
    std::atomic<uint64_t> seq{0};

    static Registry& get();

    TestApp* byNameLocked(const char* name)
    {
        auto it = byName.find(name);
        return it == byName.end() ? nullptr : it->second;
    }

    static int32_t init(const char* name, handle_t app)
    {
        Registry& r = get();
        TestApp* t = nullptr;
        {
            std::lock_guard<std::mutex> g(r.lock);
            t = r.byNameLocked(name);
            if (t != nullptr) {
                r.byHandle[app] = t;
            }
        }
        if (t == nullptr) {
            return -1;
        }
        const int32_t res = t->initResult.load();
        std::lock_guard<std::mutex> g(t->lock_);
        t->handle_.store(app);
        t->running_.store(res == 0);
        ++t->initCalls_;
        t->changed_.notify_all();
        return res;
    }

    static TestApp* byHandleOf(handle_t app)
    {
        Registry& r = get();
        std::lock_guard<std::mutex> g(r.lock);
        auto it = r.byHandle.find(app);
        return it == r.byHandle.end() ? nullptr : it->second;
    }

    static int32_t exit(handle_t app, uint32_t)
    {
        TestApp* t = byHandleOf(app);
        if (t == nullptr) {
            return 0;
        }
        const int32_t res = t->exitResult.load();
        std::lock_guard<std::mutex> g(t->lock_);
        ++t->exitCalls_;
        if (res == 0) {
            t->running_.store(false);
        }
        t->changed_.notify_all();
        return res;
    }

    static int32_t process(handle_t app, uint32_t msgId, const void* data, uint32_t size)
    {
        TestApp* t = byHandleOf(app);
        if (t == nullptr) {
            return -1;
        }
        ReceivedMsg m{msgId, data == nullptr, {}, get().seq.fetch_add(1), {}, std::chrono::steady_clock::now()};
        if (data != nullptr) {
            const auto* bytes = static_cast<const uint8_t*>(data);
            m.data.assign(bytes, bytes + size);
        }
        const char* threadApp = aee_get_name();
        m.threadApp = threadApp != nullptr ? threadApp : "";
        std::lock_guard<std::mutex> g(t->lock_);
        t->msgs_.push_back(std::move(m));
        t->changed_.notify_all();
        return t->processResult.load();
    }
};

namespace {

// At namespace scope, so it outlives every test application kept in a function's static.
Registry gRegistry;

}  // namespace

Registry& Registry::get()
{
    return gRegistry;
}

namespace {

// The registration record of each test application's name, never destroyed: application threads
// may still look names up while the program exits.
amb_register_info_t& recordOf(const std::string& name, uint16_t maxPayload)
{
    struct Records {
        std::mutex lock;
        std::map<std::string, amb_register_info_t> byName;
    };
    alignas(Records) static unsigned char storage[sizeof(Records)];
    static Records* const records = ::new (storage) Records;
    amb_register_info_t fresh{};
    TestApp::fillRecord(&fresh, name, maxPayload);
    std::lock_guard<std::mutex> g(records->lock);
    auto [it, added] = records->byName.try_emplace(fresh.acName, fresh);
    // Read by the manager when it starts the application, after the request that follows this.
    it->second.ui2MaxPayload = maxPayload;
    return it->second;
}

}  // namespace

int32_t registerApp(amb_register_info_t* record)
{
    return u_amb_get_register_info(record->acName) == record ? 0 : u_amb_register_app(record);
}

void startExecEnv()
{
    static std::once_flag once;
    std::call_once(once, [] {
        check(osThreadInit() == 0, "osThreadInit");
        u_cli_tset_init_phase1();
        check(aee_init() == 0, "aee_init");
        check(uHandleUsrInit(256) == 0, "uHandleUsrInit");
    });
}

void startFramework()
{
    startExecEnv();
    static std::once_flag once;
    std::call_once(once, [] { check(xAppInit() == 0, "xAppInit"); });
}

TestApp::TestApp(std::string name, uint16_t maxPayload) : name_(std::move(name)), info_(recordOf(name_, maxPayload))
{
    Registry& r = Registry::get();
    std::lock_guard<std::mutex> g(r.lock);
    r.byName[info_.acName] = this;
}

TestApp::~TestApp()
{
    stop();
    Registry& r = Registry::get();
    std::lock_guard<std::mutex> g(r.lock);
    r.byName.erase(info_.acName);
    for (auto it = r.byHandle.begin(); it != r.byHandle.end();) {
        it = it->second == this ? r.byHandle.erase(it) : std::next(it);
    }
}

app_fct_t TestApp::functions()
{
    return {Registry::init, Registry::exit, Registry::process};
}

void TestApp::fillRecord(amb_register_info_t* info, const std::string& name, uint16_t maxPayload)
{
    *info = amb_register_info_t{};
    snprintf(info->acName, sizeof(info->acName), "%s", name.c_str());
    info->tFct = functions();
    info->ui8Reserved = ~0ULL;
    info->ui4StackSize = 16384;
    info->ui1Priority = 130;
    info->ui2SecCount = 16;
    info->ui2QueueLen = 16;
    info->ui2MaxPayload = maxPayload;
}

int TestApp::initCalls() const
{
    std::lock_guard<std::mutex> g(lock_);
    return initCalls_;
}

int TestApp::exitCalls() const
{
    std::lock_guard<std::mutex> g(lock_);
    return exitCalls_;
}

bool TestApp::waitMessages(size_t count)
{
    std::unique_lock<std::mutex> g(lock_);
    return changed_.wait_for(g, kDeadline, [&] { return msgs_.size() >= count; });
}

std::vector<ReceivedMsg> TestApp::messages() const
{
    std::lock_guard<std::mutex> g(lock_);
    return msgs_;
}

void TestApp::clearMessages()
{
    std::lock_guard<std::mutex> g(lock_);
    msgs_.clear();
}

void TestApp::stop()
{
    if (!running_.load()) {
        return;
    }
    const handle_t app = handle_.load();
    exitResult.store(0);
    // Started by the manager: exited through it, so that its slot is free for the next start.
    handle_t managed = 0;
    if (u_am_get_app_handle_from_name(&managed, info_.acName) == 0 && managed == app) {
        if (u_amb_sync_exit_app(info_.acName) != 0) {
            return;
        }
    } else {
        NotifyRecorder exited;
        if (u_app_exit(app, 0, NotifyRecorder::fct, exited.tag()) != 0 || !exited.waitFor(AEE_NFY_EXIT_OK)) {
            return;
        }
    }
    // The thread lets go of its handle last; after that nothing of it touches this object.
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    uint16_t type = 0;
    void* obj = nullptr;
    while (uHandleGetTypeObj(app, &type, &obj) == 0 && std::chrono::steady_clock::now() < deadline) {
        uThreadDelay(1);
    }
}

int32_t NotifyRecorder::fct(handle_t, aee_nfy_tag_t tag, uint32_t code)
{
    auto* self = reinterpret_cast<NotifyRecorder*>(tag);
    if (self == nullptr) {
        return 0;
    }
    std::lock_guard<std::mutex> g(self->lock_);
    self->codes_.push_back(code);
    self->changed_.notify_all();
    return self->vetoCode.load() == static_cast<int64_t>(code) ? 1 : 0;
}

bool NotifyRecorder::waitFor(uint32_t code)
{
    std::unique_lock<std::mutex> g(lock_);
    return changed_.wait_for(g, kDeadline, [&] {
        for (uint32_t c : codes_) {
            if (c == code) {
                return true;
            }
        }
        return false;
    });
}

std::vector<uint32_t> NotifyRecorder::codes() const
{
    std::lock_guard<std::mutex> g(lock_);
    return codes_;
}

}  // namespace apptest
