// The firmware payload: what the utility writes into the radio, built into the
// program as read-only data and sent straight from where it lies.
#pragma once

#include <cstdint>

constexpr uint32_t FIRMWARE_IMAGE_SIZE = 0x40000;      // flash addresses 0x00000-0x3FFFF
constexpr uint32_t WRITE_CONTROL_PROGRAM_SIZE = 1436;  // 2-byte big-endian length + 1,434 bytes

// What the build embedded, as the record names it: the SHA-256 of the very bytes, and whether
// they are the sample of payload/, which suits only the simulated radio.
struct PayloadDigest {
  const char* sha256;  // 64 lowercase hex digits
  bool sample;
};

namespace FirmwarePayload {
// Image byte n is the new content of flash address n.
extern const unsigned char FirmwareImage[FIRMWARE_IMAGE_SIZE];
// Sent byte by byte in boot mode before the image; begins 0x05 0x9A (1,434).
extern const unsigned char WriteControlProgram[WRITE_CONTROL_PROGRAM_SIZE];
extern const PayloadDigest FirmwareImageDigest;
extern const PayloadDigest WriteControlProgramDigest;
}  // namespace FirmwarePayload
