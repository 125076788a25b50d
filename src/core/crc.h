// CRC-32/JAMCRC, the check value of every payload file: the reflected
// polynomial 0xEDB88320, eight bytes a step, register preset by
// the caller to 0xFFFFFFFF and taken without a final complement.
#pragma once
#include <cstdint>

const uint32_t CrcPreset = 0xFFFFFFFFu;

// Runs length bytes through the register and returns it; the caller keeps the
// register between calls.
uint32_t CrcUpdate(const void* data, uint32_t length, uint32_t reg);
