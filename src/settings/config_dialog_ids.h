#pragma once
// Ids of the settings dialog and its controls. The form model hands
// these to the renderers so that every front end names the same controls.
namespace brindle::config_dialog {

constexpr int kResourceId = 141;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
// Band boxes are created at run time with ids 100 + their index.
constexpr int kFirstBandBoxId = 100;
// Hidden check boxes that only mark where the two band columns begin.
constexpr int kFirstColumnMarker = 1013;
constexpr int kSecondColumnMarker = 1014;
constexpr int kTimeZoneEdit = 1025;
constexpr int kTimeZoneLabel = 1026;
constexpr int kDayStartLabel = 1027;
constexpr int kDayStartEdit = 1028;
constexpr int kNightStartLabel = 1029;
constexpr int kNightStartEdit = 1030;
constexpr int kTwelveHourBox = 1033;  // always hidden: flags bit 5 passes through
constexpr int kFrequencyBox = 1034;

}  // namespace brindle::config_dialog
