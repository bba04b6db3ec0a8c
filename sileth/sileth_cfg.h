// sileth's settings: a built-in table of 83 rows (section, key, value) that the pipeline child
// takes devices, buffer times, thresholds, channel maps and buffer rules from, overlaid once from
// "/res/sileth.cfg" and changed row by row (in memory and in the file) by the setting commands.
//
// Every lookup compares prefixes and the first match in table order wins: a file line matches a
// row when the row's section is a prefix of the line's section line and the row's key a prefix of
// the line's key; a lookup matches a row when the given section and key are prefixes of the row's.
#pragma once

#include <cstddef>
#include <string>

#define SILETH_CFG_PATH "/res/sileth.cfg"

struct sileth_cfg_item_t {
    char title[32];  // "[GLOBAL]"
    char key[64];
    char value[64];
};
static_assert(sizeof(sileth_cfg_item_t) == 160, "a row is 32 + 64 + 64 bytes");

constexpr int SILETH_CFG_ROWS = 83;

// The process's table, holding the built-in defaults until a file or a command changes it.
sileth_cfg_item_t* pSilethCfgTable();

// Puts the built-in defaults into `table` (SILETH_CFG_ROWS rows).
void vSilethCfgDefaults(sileth_cfg_item_t* table);

// The first `rows` rows of `table` as the file's text: each section line once, then its rows as
// "key=value" lines; reading it back into the defaults changes nothing. The board's image carries
// this file; a host root gets it from here.
std::string silethCfgFileText(const sileth_cfg_item_t* table, int rows);

// Overlays the first `rows` rows of `table` from the file at system path `path`. A file that does
// not open leaves the table as it is ("%s , open configuration file failed ").
void vSilethGetAllCfg(const char* path, sileth_cfg_item_t* table, int rows);

// The value of the first matching row, or nullptr ("Cannot get value, title:%s key:%s ").
const char* pSilethGetValue(const sileth_cfg_item_t* table, const char* title, const char* key);

// Replaces the value of the first matching row (at most 63 characters); no match changes nothing.
// The row, or nullptr.
sileth_cfg_item_t* pSilethSetValue(sileth_cfg_item_t* table, const char* title, const char* key, const char* value);

// Rewrites the value of the first matching setting line of the file at system path `path`: a
// shorter value is written over the old one and blank-padded to its length, a longer one rebuilds
// the file around the new line. A file that cannot be opened for writing, or holds no matching
// line, stays as it is.
void vSilethSetCfg(const char* path, const char* title, const char* key, const char* value);
