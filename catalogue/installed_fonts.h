// What the system already has: the fonts recorded in the registry's font table and the font
// families that GDI knows. Each view is rebuilt from scratch on every call.
#pragma once

#include <string>
#include <vector>

#include "catalogue/font_list.h"
#include "platform/platform.h"

// Face names of every font family the system reported in the last CollectFaceNames run.
extern std::vector<std::string> FaceNameList;

// The fonts of the font table: registered name less its type suffix, and the file's full path.
// 1 on success (also for an empty table); 0 after a warning owned by owner when the table cannot
// be opened or queried. The list holds only what this call found.
int ScanInstalledFonts(platform::WindowHandle owner, std::vector<FontEntry>& fonts);

// The full path of the file of every value of the font table. Results as ScanInstalledFonts.
int ScanRegisteredFontFiles(platform::WindowHandle owner, std::vector<std::string>& files);

// Replaces FaceNameList with the face names of the families known on owner's device context.
void CollectFaceNames(platform::WindowHandle owner);

int FaceNameEnumProc(const char* faceName, uint32_t fontType, intptr_t data);

// The rules applied to one value of the font table, apart from the registry itself.
// The registered font name of a value, when the value stands for a font (a type suffix, or else
// a font file extension on its data); false for a value to skip.
bool RegisteredFontName(const std::string& valueName, const std::string& data,
                        std::string& fontName);
// The full path of a value's file: data that is already a full path ("X:..." or "\...") as it
// is, anything else inside the Fonts folder (folderPrefix ends in a backslash).
std::string RegisteredFilePath(const std::string& data, const std::string& folderPrefix);
