#pragma once
// The second line of a failed update's outcome: what happened, in plain
// words, and where. The first line stays the system's own text.
#include <cstdint>
#include <string>

#include "device/hid_io.h"
#include "update/section_image.h"

namespace brindle {

// "section C", or for the transfer header "the header block of section B".
std::string SectionPhrase(SectionName name);

std::string CauseDisconnected(SectionName during);
// waitedMs: how long the device was waited for.
std::string CauseSilent(SectionName during, int waitedMs);
// How a link failure reads: silent when a read waited its bound, else gone.
std::string CauseLinkLost(SectionName during, LinkFailure failure, int readTimeoutMs);
std::string CauseRefused(SectionName section, int attempts);
std::string CauseMemoryDiffers(SectionName section, uint32_t block);
std::string CauseStopped(SectionName during);
// The device could not be read back after the update.
std::string CauseNotChecked(LinkFailure failure);
std::string CauseFileChanged();
std::string CauseFileUnreadable();
// The file names producer (its first n bytes, up to a NUL); the program
// takes files of expected. Bytes that are not printable ASCII (the GBK of a
// Chinese name, control characters) show as '?'.
std::string CauseOtherMaker(const uint8_t* producer, size_t n, const std::string& expected);
// A stop request ended the run before what it wrote was read back.
std::string CauseStoppedBeforeCheck();
// The link failed at the closing command: gone, or silent (timedOut).
std::string CauseLostAtClosing(bool timedOut);
// The verify-only run's outcome for a block that differs or could not be read.
std::string VerifyFailedText(SectionName section, uint32_t block, bool differs);

// Text of a block address as the causes and the console print it: 0x%04X.
std::string BlockText(uint32_t block);

// The outcome as the user sees it: the first line, then the cause, if any.
std::string OutcomeWithCause(const std::string& outcome, const std::string& cause);

}  // namespace brindle
