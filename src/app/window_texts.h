#pragma once
// Texts the main window shows. Pieces keep their blanks: titles are built by
// running them together.
namespace brindle::text {

constexpr const char* kTitle = "Update Program";
constexpr const char* kNoHardware = "   No hardware connected!";
constexpr const char* kConnecting = "   GPS Connecting...";
constexpr const char* kConnected = "   GPS Connected";
constexpr const char* kVersionPrefix = "   V:";

constexpr const char* kFileGroup = "Update the File";
constexpr const char* kProgressGroup = "Progress";
constexpr const char* kOpen = "Open";
constexpr const char* kClose = "Close";
constexpr const char* kSetting = "Setting";
constexpr const char* kUpdate = "Update";

constexpr const char* kChooseFile = "Please choose the updated file!";
constexpr const char* kSearchingVersion = "Searching the database version now,please wait\u2026";
constexpr const char* kCheckNotStarted = "Choose updated file or connect device for automatic detection!";

constexpr const char* kAccessFailed = "Access database failed,please updated by local file!";
constexpr const char* kDownloadFailed = "Error! Please update by local file!";
constexpr const char* kInternetVersion = "Internet vesion:";

// A matching device is present but the user may not open its hidraw node.
constexpr const char* kAccessHint = "Device found but not accessible: install 70-brindle.rules (see README)";

// File-open dialog of the Open button.
constexpr const char* kUpdateFileExtension = "file";
constexpr const char* kUpdateFileFilter = "Update File(*.dwm)|*.dwm|All File(*.*)|*.*||";

}  // namespace brindle::text
