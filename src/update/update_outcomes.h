#pragma once
// The outcome texts of an update run and the labels the worker puts on the
// progress bar, exactly as the user sees them. The texts of the acceptance
// rules live in update_acceptance.h.
namespace brindle {

inline constexpr char kTextOpenFailed[] = "Open update file failed!";
inline constexpr char kTextNoUpdateFile[] = "Can not Find Update File!";
inline constexpr char kTextNoArchiver[] =
    "Didn't find the decompression tool.(Support only \u2018WinRar/7zip/Haozip\u2019)"
    "Please decompression and update manually!";
inline constexpr char kTextUpdateFailed[] = "Update Failed!";
inline constexpr char kTextUpdateSucceeded[] = "Update Successfully!";

// Progress bar labels.
inline constexpr char kTextDecompressing[] = "Decompressing database\u2026";
inline constexpr char kTextUpdating[] = "updating";
inline constexpr char kTextVerifying[] = "verifying";

}  // namespace brindle
