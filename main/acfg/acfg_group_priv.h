// The four groups of the item table: what each slot holds (name, key, size, default), its
// validation rule and its update hook. The store's start fills the table with them.
#pragma once

#include <cstdint>

// Fill their groups' slots; run in this order: Bluetooth, network, CEC, system. Each returns 0.
int32_t acfgGrpBluetoothInit(void);
int32_t acfgGrpNetworkInit(void);
int32_t acfgGrpCecInit(void);
int32_t acfgGrpSystemInit(void);

// Validation rules; only the first byte of the value is tested.
int32_t acfgVolumeValidate(uint16_t key, const void* value, uint32_t size);
int32_t acfgMuteValidate(uint16_t key, const void* value, uint32_t size);
int32_t acfgSourceValidate(uint16_t key, const void* value, uint32_t size);
int32_t acfgCurappValidate(uint16_t key, const void* value, uint32_t size);
int32_t acfgBluetoothValidate(uint16_t key, const void* value, uint32_t size);
// The network items have no structure in the store: these accept every value.
int32_t acfgSsidValidate(uint16_t key, const void* value, uint32_t size);
int32_t acfgKeyValidate(uint16_t key, const void* value, uint32_t size);
int32_t acfgWlanApValidate(uint16_t key, const void* value, uint32_t size);

// Re-reads the Bluetooth enable item and asks for a store.
void acfgBluetoothUpdate(uint16_t key);
