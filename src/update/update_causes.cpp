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

std::string CauseOtherMaker(const std::string& producer, const std::string& expected) {
  return "The file is from another maker: it names \"" + producer + "\", this program takes files of \"" +
         expected + "\".";
}

std::string OutcomeWithCause(const std::string& outcome, const std::string& cause) {
  return cause.empty() ? outcome : outcome + "\n" + cause;
}

}  // namespace brindle
