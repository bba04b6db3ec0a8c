// What in-process application tests share: waiting for a condition, running a console line,
// registering a real application once per process, and recording applications standing in for
// an application's peers.
#pragma once

#include "main/am/amb/amb.h"
#include "tests/main/am/app_harness.h"

#include <functional>
#include <string>

namespace apptest {

// Polls `condition` until it holds (true) or kDeadline passes (false).
bool eventually(const std::function<bool()>& condition);

// Runs one console line (which must succeed); what it printed.
std::string console(const std::string& line);

// Fills a record with `fill` and registers it, the first time for each register function (the
// broker keeps the record by reference: it lives for the process). 0, or the broker's result
// (a failed registration is tried again on the next call).
int32_t registerOnce(void (*fill)(amb_register_info_t*));

// A recording application under `name` (payloads up to 1024 bytes), one per name for the process.
TestApp& recorder(const std::string& name);
// recorder(name), registered and started the first time (a failure fails the test).
TestApp& runningRecorder(const std::string& name);

}  // namespace apptest
