#include "update/update_causes.h"

#include <cstdio>

namespace brindle {

std::string SectionPhrase(SectionName name) {
  if (name == SectionName::kHeader) return "the header block of section B";
  return std::string("section ") + SectionNameText(name);
}

std::string CauseDisconnected(SectionName during) {
  return "The device was disconnected during " + SectionPhrase(during) + ".";
}

std::string CauseSilent(SectionName during, int waitedMs) {
  const std::string waited =
      waitedMs < 1000 ? std::to_string(waitedMs) + " ms" : std::to_string((waitedMs + 500) / 1000) + " s";
  return "The device stopped answering during " + SectionPhrase(during) + " (no answer for " + waited + ").";
}

std::string CauseLinkLost(SectionName during, LinkFailure failure, int readTimeoutMs) {
  if (failure == LinkFailure::kTimedOut) return CauseSilent(during, readTimeoutMs);
  return CauseDisconnected(during);
}

std::string CauseRefused(SectionName section, int attempts) {
  std::string times;
  if (attempts == 10)
    times = " ten times";
  else if (attempts > 1)
    times = " " + std::to_string(attempts) + " times";
  return "The device refused " + SectionPhrase(section) + times + ".";
}

std::string BlockText(uint32_t block) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", block);
  return text;
}

std::string CauseMemoryDiffers(SectionName section, uint32_t block) {
  return "The device's memory differs from the file in " + SectionPhrase(section) + " at block " +
         BlockText(block) + ".";
}

std::string CauseStopped(SectionName during) {
  return "The update was stopped during " + SectionPhrase(during) + ".";
}

std::string CauseNotChecked(LinkFailure failure) {
  const char* why = failure == LinkFailure::kTimedOut ? "it did not answer" : "it was not there";
  return std::string("The update could not be checked: the device could not be read back after it (") + why +
         ").";
}

std::string CauseFileChanged() { return "The file changed on disk while it was read; nothing was sent."; }

std::string CauseFileUnreadable() { return "The file could not be read whole; nothing was sent."; }

namespace {

std::string PrintableName(const uint8_t* bytes, size_t n) {
  std::string text;
  for (size_t i = 0; i < n && bytes[i] != 0; ++i)
    text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '?';
  return text;
}

}  // namespace

std::string CauseOtherMaker(const uint8_t* producer, size_t n, const std::string& expected) {
  return "The file is from another maker: it names \"" + PrintableName(producer, n) +
         "\", this program takes files of \"" +
         PrintableName(reinterpret_cast<const uint8_t*>(expected.data()), expected.size()) + "\".";
}

std::string CauseStoppedBeforeCheck() { return "The update was stopped before it was checked."; }

std::string CauseLostAtClosing(bool timedOut) {
  return timedOut ? "The device stopped answering when the update was closed."
                  : "The device was disconnected before the update was closed.";
}

std::string VerifyFailedText(SectionName section, uint32_t block, bool differs) {
  return std::string("Verify failed: section ") + SectionNameText(section) +
         (differs ? " differs at block " : " could not be read at block ") + BlockText(block);
}

std::string OutcomeWithCause(const std::string& outcome, const std::string& cause) {
  return cause.empty() ? outcome : outcome + "\n" + cause;
}

}  // namespace brindle
