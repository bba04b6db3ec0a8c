// A stand-in for aplay, put first on PATH by a test that needs a tone of a set length, a player
// that fails, or the PCM plug-in's marker. It appends "<pid> <args...>" to FAKE_APLAY_LOG, creates
// the marker "/tmp/kvxac2_opened" under SOUNDBAR_ROOT, plays for FAKE_APLAY_MS milliseconds and
// exits with FAKE_APLAY_STATUS (default 0).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

long envNumber(const char* name, long fallback)
{
    const char* text = std::getenv(name);
    return text != nullptr ? std::strtol(text, nullptr, 10) : fallback;
}

}  // namespace

int main(int argc, char** argv)
{
    if (const char* log = std::getenv("FAKE_APLAY_LOG"); log != nullptr) {
        if (FILE* f = std::fopen(log, "a"); f != nullptr) {
            std::fprintf(f, "%d", static_cast<int>(getpid()));
            for (int i = 1; i < argc; ++i) {
                std::fprintf(f, " %s", argv[i]);
            }
            std::fputc('\n', f);
            std::fclose(f);
        }
    }
    if (const char* root = std::getenv("SOUNDBAR_ROOT"); root != nullptr) {
        if (FILE* f = std::fopen((std::string(root) + "/tmp/kvxac2_opened").c_str(), "w"); f != nullptr) {
            std::fclose(f);
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(envNumber("FAKE_APLAY_MS", 0)));
    return static_cast<int>(envNumber("FAKE_APLAY_STATUS", 0));
}
