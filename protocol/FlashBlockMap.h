// The fixed division of the flash into the blocks in which the image is written.
#pragma once

#include <cstdint>

#include "protocol/Payload.h"

struct FlashBlock {
  uint32_t address;  // byte address in flash
  uint32_t size;     // bytes, a multiple of the chunk size
};

constexpr uint32_t FLASH_BLOCK_COUNT = 12;
constexpr uint32_t FLASH_CHUNK_SIZE = 128;

// Contiguous from address 0 and covering the whole image, so sending the image
// in order, block after block, needs no positioning by address.
constexpr FlashBlock FlashBlockMap[FLASH_BLOCK_COUNT] = {
    {0x00000, 0x1000}, {0x01000, 0x1000}, {0x02000, 0x1000}, {0x03000, 0x1000},  {0x04000, 0x1000},  {0x05000, 0x1000},
    {0x06000, 0x1000}, {0x07000, 0x1000}, {0x08000, 0x8000}, {0x10000, 0x10000}, {0x20000, 0x10000}, {0x30000, 0x10000},
};

constexpr bool FlashBlockMapCoversImage() {
  uint32_t next = 0;
  for (const FlashBlock& block : FlashBlockMap) {
    if (block.address != next || block.size % FLASH_CHUNK_SIZE != 0) return false;
    next += block.size;
  }
  return next == FIRMWARE_IMAGE_SIZE;
}
static_assert(FlashBlockMapCoversImage(), "the blocks must tile the image in 128-byte chunks");
