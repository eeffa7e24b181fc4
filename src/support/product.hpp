#pragma once
// The product's names and the texts that several layers show or store the same way.

namespace kx {

// The title of the add-in's message boxes and its display name.
inline constexpr const char* kProductTitle = "Korvalinx";
// The wizard's caption, also the title of its own message boxes.
inline constexpr const char* kWizardCaption = "Korvalinx Assistent";
// The version the information dialog and `korvalinx --version` show.
inline constexpr const char* kProductVersion = "1.1.0024";
// The built-in resource filter that lets every resource through.
inline constexpr const char* kAllResourcesFilter = "Alle Ressourcen";

}  // namespace kx
