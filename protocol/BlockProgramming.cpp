// Block programming: the image in the blocks of the flash block map, each opened
// by a command with address and size, sent in acknowledged 128-byte chunks and
// closed by an acknowledged checksum.
#include <windows.h>

#include <commctrl.h>

#include "protocol/FlashBlockMap.h"
#include "ui/Texts.h"
#include "ui/UpdateDialog.h"
#include "ui/resource.h"

namespace {
constexpr DWORD BLOCK_REPLY_TIMEOUT = 1000;  // ms
constexpr unsigned char WRITE_COMMAND[2] = {0x57, 0x00};
constexpr unsigned char ACCEPTED = 0x06;
constexpr unsigned char READY = 0x11;

constexpr const char* STAGE = "block programming";

void BigEndian(uint32_t value, unsigned char* bytes) {
  for (int i = 3; i >= 0; --i, value >>= 8) bytes[i] = static_cast<unsigned char>(value);
}

// Where a block's exchange failed, as the record names it: "block 6 checksum".
CString Place(uint32_t block, const char* part) {
  CString text;
  text.Format("block %u %s", block, part);
  return text;
}

// "block 6 chunk 4": chunks counted from 1 within their block.
CString Place(uint32_t block, uint32_t chunk) {
  CString text;
  text.Format("block %u chunk %u", block, chunk);
  return text;
}
}  // namespace

int CUpdateDialog::ProgramFlash(const unsigned char* image) {
  GetDlgItem(IDC_PROGRESS).SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  m_strStatus = Texts::Transferring;
  m_strPercent = "0%";
  UpdateData(FALSE);

  uint32_t offset = 0;  // runs on across blocks: the map is contiguous from address 0
  for (uint32_t index = 0; index < FLASH_BLOCK_COUNT; ++index) {
    const FlashBlock& block = FlashBlockMap[index];
    unsigned char sum = 0;
    unsigned char field[4];
    if (SendBytes(WRITE_COMMAND, sizeof WRITE_COMMAND) != 1) {
      return StageFailed(STAGE, Place(index, "command"), SEND_FAILED);
    }
    if (WaitForReply(BLOCK_REPLY_TIMEOUT, &ACCEPTED, 1) != 1) {
      return StageFailed(STAGE, Place(index, "command"), DescribeWait(&ACCEPTED, 1, m_lastWait));
    }
    BigEndian(block.address, field);
    if (SendBytes(field, sizeof field) != 1) return StageFailed(STAGE, Place(index, "header"), SEND_FAILED);
    BigEndian(block.size, field);
    if (SendBytes(field, sizeof field) != 1) return StageFailed(STAGE, Place(index, "header"), SEND_FAILED);
    if (WaitForReply(BLOCK_REPLY_TIMEOUT, &READY, 1) != 1) {
      return StageFailed(STAGE, Place(index, "header"), DescribeWait(&READY, 1, m_lastWait));
    }
    if (SendBytes(&READY, 1) != 1) return StageFailed(STAGE, Place(index, "header"), SEND_FAILED);

    for (uint32_t remaining = block.size, number = 1;; ++number) {
      const unsigned char* chunk = image + offset;
      if (SendBytes(chunk, FLASH_CHUNK_SIZE) != 1) return StageFailed(STAGE, Place(index, number), SEND_FAILED);
      if (WaitForReply(BLOCK_REPLY_TIMEOUT, &READY, 1) != 1) {
        return StageFailed(STAGE, Place(index, number), DescribeWait(&READY, 1, m_lastWait));
      }
      if (SendBytes(&READY, 1) != 1) return StageFailed(STAGE, Place(index, number), SEND_FAILED);
      for (uint32_t i = 0; i < FLASH_CHUNK_SIZE; ++i) sum += chunk[i];
      remaining -= FLASH_CHUNK_SIZE;
      offset += FLASH_CHUNK_SIZE;
      if (remaining == 0) break;  // a block's last chunk: no display update, no abort poll
      ShowPercent(offset * 100 / (FIRMWARE_IMAGE_SIZE - 1));
      PumpOneMessage();
      if (m_bAbort) return StageFailed(STAGE, Place(index, number), "Cancel pressed after its acknowledgement");
    }

    const unsigned char checksum = static_cast<unsigned char>(~sum);  // sum + checksum = 0xFF
    if (SendBytes(&checksum, 1) != 1) return StageFailed(STAGE, Place(index, "checksum"), SEND_FAILED);
    if (WaitForReply(BLOCK_REPLY_TIMEOUT, &ACCEPTED, 1) != 1) {
      return StageFailed(STAGE, Place(index, "checksum"), DescribeWait(&ACCEPTED, 1, m_lastWait));
    }
    m_record.Write("block %u accepted (address 0x%05X, %u bytes)", index, block.address, block.size);
    if (index + 1 == FLASH_BLOCK_COUNT) break;
    PumpOneMessage();
    if (m_bAbort) return StageFailed(STAGE, Place(index, "checksum"), "Cancel pressed after the block was accepted");
  }
  // The bar stays where the last chunk left it.
  m_strPercent = "100%";
  UpdateData(FALSE);
  return 1;
}
