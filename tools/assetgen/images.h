// Every image family of the game, each written at the three resolution levels
// (the fonts at the levels their loaders use) under the data folder.
#pragma once

#include <filesystem>
#include <string>

namespace assetgen {

void writeGfx(const std::filesystem::path& dataDir);           // "gfx": satellites, ship, pickup, rocks ...
void writeSplodge(const std::filesystem::path& dataDir);       // "splodge": rock debris
void writeParts(const std::filesystem::path& dataDir);         // "parts": sparks and stars
void writeLight(const std::filesystem::path& dataDir);         // "common/light": soft lights
void writeIcons(const std::filesystem::path& dataDir);         // "common/icons"
void writeButtons(const std::filesystem::path& dataDir);       // "common/Buttons"
void writeDpad(const std::filesystem::path& dataDir);          // "common/dpad"
void writeCircle(const std::filesystem::path& dataDir);        // "common/circle"
void writeBadges(const std::filesystem::path& dataDir);        // "BadgesA"
void writeMenu(const std::filesystem::path& dataDir);          // "menu"
void writeTitleLogo(const std::filesystem::path& dataDir);     // "logo": the title "Skarnel"
void writeStudioLogo(const std::filesystem::path& dataDir);    // "common/ZUNDLogo"
void writeDefaultFont(const std::filesystem::path& dataDir);   // "kelvo_font.png", one level
void writeGameFont(const std::filesystem::path& dataDir);      // "fonts/shadow_editundo"

// The desktop icon at every hicolor size: iconDir/<n>x<n>/apps/<name>.png.
void writeAppIcons(const std::filesystem::path& iconDir, const std::string& name);
// The icon an installable page names in its manifest: iconDir/<name>-192.png and -512.png.
void writeWebAppIcons(const std::filesystem::path& iconDir, const std::string& name);

}  // namespace assetgen
