// corvand's application table and the start-up walk over it.
#pragma once

#include "main/am/amb/amb.h"

#include <cstdint>

typedef void (*app_register_fct)(amb_register_info_t* info);

// One row: the application's register function, its registration record (zero until the register
// function fills it; the broker keeps it by reference) and its name as the start-up lines show it.
// A row without register function ends the table.
struct app_table_entry_t {
    app_register_fct pfRegister;
    amb_register_info_t tInfo;
    const char* psName;
};

extern app_table_entry_t gAppTable[];

// Written when an application fails to register or to start.
constexpr const char* APP_SETUP_FAIL_MARKER = "/tmp/corvand_setup_fail.txt";

// Registers and synchronously starts each row in order until the terminating row. A failing row
// is logged and marked in APP_SETUP_FAIL_MARKER, and the walk goes on. Returns the number of rows
// that failed.
uint32_t appTableStart(app_table_entry_t* table);
