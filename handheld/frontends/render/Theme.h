// The colours of the terminal interface, after the handheld's own look: white
// forms with black text, grey buttons, a blue title bar, and blue for what
// has the focus.
#pragma once

#include "frontends/render/CellGrid.h"

namespace p42r::frontends::render::theme {

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kTitleBlue{0, 51, 153};
inline constexpr Rgb kFocusBlue{0, 84, 204};
inline constexpr Rgb kButtonGrey{208, 208, 208};
inline constexpr Rgb kLineGrey{128, 128, 128};
inline constexpr Rgb kDisabledGrey{150, 150, 150};
inline constexpr Rgb kFieldWhite{255, 255, 240};
inline constexpr Rgb kReadOnlyGrey{236, 236, 236};
inline constexpr Rgb kDesk{48, 48, 56};
inline constexpr Rgb kShadow{24, 24, 28};
inline constexpr Rgb kBarGrey{200, 200, 208};
inline constexpr Rgb kTrack{224, 224, 224};
inline constexpr Rgb kProgressBlue{0, 102, 204};
inline constexpr Rgb kWaitYellow{255, 204, 0};
inline constexpr Rgb kSelectionGrey{200, 200, 200};
inline constexpr Rgb kExclamationOrange{224, 128, 0};

inline constexpr Style kDeskStyle{kWhite, kDesk};
inline constexpr Style kTitleBar{kWhite, kTitleBlue, kAttributeBold};
inline constexpr Style kCommandBar{kBlack, kBarGrey};
inline constexpr Style kWaitBadge{kBlack, kWaitYellow, kAttributeBold};
inline constexpr Style kForm{kBlack, kWhite};
inline constexpr Style kDisabledText{kDisabledGrey, kWhite};
inline constexpr Style kButton{kBlack, kButtonGrey};
inline constexpr Style kButtonDisabled{kDisabledGrey, kButtonGrey};
inline constexpr Style kButtonFocused{kWhite, kFocusBlue, kAttributeBold | kAttributeEmphasis};
inline constexpr Style kFrameLine{kLineGrey, kWhite};
inline constexpr Style kField{kBlack, kFieldWhite};
inline constexpr Style kFieldFill{kLineGrey, kFieldWhite};
inline constexpr Style kFieldReadOnly{kBlack, kReadOnlyGrey};
inline constexpr Style kFieldFocusedLine{kFocusBlue, kWhite, kAttributeBold};
inline constexpr Style kFocusedText{kWhite, kFocusBlue, kAttributeEmphasis};
inline constexpr Style kListHeader{kBlack, kButtonGrey, kAttributeBold};
inline constexpr Style kListRow{kBlack, kWhite};
inline constexpr Style kListSelected{kWhite, kFocusBlue, kAttributeEmphasis};
inline constexpr Style kListSelectedUnfocused{kBlack, kSelectionGrey, kAttributeEmphasis};
inline constexpr Style kListGrid{kSelectionGrey, kWhite};
inline constexpr Style kProgress{kProgressBlue, kTrack};
inline constexpr Style kBoxCaption{kWhite, kTitleBlue, kAttributeBold};
inline constexpr Style kBoxBorder{kTitleBlue, kWhite};
inline constexpr Style kBoxText{kBlack, kWhite};
inline constexpr Style kShadowStyle{kLineGrey, kShadow};
inline constexpr Style kIconInformation{kFocusBlue, kWhite, kAttributeBold};
inline constexpr Style kIconExclamation{kExclamationOrange, kWhite, kAttributeBold};
inline constexpr Style kIconQuestion{kFocusBlue, kWhite, kAttributeBold};

}  // namespace p42r::frontends::render::theme
