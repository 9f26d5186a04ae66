#pragma once
// Reading an update back from the device and comparing it with what was
// sent: the proof of an update on devices whose answers mean nothing, and
// the full check a user asks for. Reads only; nothing is written.
#include <atomic>
#include <cstdint>

#include "device/hid_cmd.h"
#include "update/section_image.h"
#include "update/transfer_progress.h"

namespace brindle {

enum class ReadBackDepth {
  kEnds,  // the first and the last block of every write (the header is one)
  kFull,  // every block written
};

struct ReadBackResult {
  enum Kind {
    kSame,        // every block read equals what was sent
    kDiffers,     // write index differs at block (a device block address)
    kUnreadable,  // a block could not be read (link failure in link)
    kStopped,     // a stop request ended the reading
  };
  Kind kind = kSame;
  size_t write = 0;  // index into the image's writes
  uint32_t block = 0;
  LinkFailure link = LinkFailure::kNone;
};

// Blocks a read-back of that depth reads.
uint64_t ReadBackBlocks(const UpdateImage& image, ReadBackDepth depth);

// Reads the blocks of the image's writes from the device, in the order they
// were sent, and stops at the first that differs. Each block read adds 256
// to progress.bytesDone. A kUnreadable result names the write and the
// block that could not be read, so a caller may retry from there.
ReadBackResult ReadBack(CHidCmd& hid, const UpdateImage& image, ReadBackDepth depth,
                        TransferProgress& progress, const std::atomic<bool>& stop, size_t fromWrite = 0,
                        uint32_t fromBlock = 0);

}  // namespace brindle
