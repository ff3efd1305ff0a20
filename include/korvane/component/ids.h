/// @file
/// The fixed identifiers of the component: the type library, the control
/// class, its two interfaces, and the programmatic name hosts create it by.
/// They are part of what gets registered and saved with host forms, so they
/// never change.
#pragma once

/// The component's fixed identifiers.
namespace korvane::component::ids {

constexpr const char* kLibrary = "{B8C1A0A2-16B9-43B8-919F-EDD406868065}";           ///< the type library
constexpr const char* kClass = "{2A784CC5-08FD-4D88-ADFC-26A5B3534E6E}";             ///< the control class
constexpr const char* kDefaultInterface = "{2560B179-667C-4DB5-BFEA-5F77374562E0}";  ///< _ucvKorvane
constexpr const char* kEventInterface = "{4FDDCE8A-1A10-44C0-9C1D-3CA67553C0A7}";    ///< __ucvKorvane
constexpr const char* kProgId = "Korvane.ucvKorvane";                                ///< the programmatic name

}  // namespace korvane::component::ids
