#pragma once
// Unit PictureIcon: icons made from pictures (TAdvancedIcon). A PNG picture of any size, or an
// SVG drawing, becomes an icon with one 32-bit image with alpha at each of the sizes icon
// libraries use, each scaled (or drawn) for its size so that none is a blurred copy of another.
#include "icons/AdvancedIcon.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace icons {

// The largest width or height of a picture accepted: 16384 x 16384 RGBA pixels are 1 GB,
// which bounds what a picture may make the program allocate.
constexpr int kMaxPictureSide = 16384;
// The smallest icon size; a picture below it has no size an icon can be made at.
constexpr int kMinPictureSide = 16;

// Whether the file name is that of a picture an icon can be made from (.png or .svg, any
// case).
bool IsPictureFileName(const std::string &fileName);

// The image sizes an icon made from a square picture of `side` pixels gets: the standard
// sizes 16 to 64 up to the picture's own, and 256 once the picture is at least 64 pixels
// (enlarging a smaller one that far only blurs it) unless `large` is false. Empty below 16
// pixels.
std::vector<int> PictureIconSizes(int side, bool large = true);

// The icon made from a PNG picture: a picture that is not square is centred on a
// transparent square first. The 256-pixel image is stored as PNG, as Windows stores its
// large images; the others as 32-bit bitmaps with alpha and a mask, which every reader of
// icons understands. Without `large` the 256-pixel image is left out, for a 16-bit library,
// which cannot hold it. Raises platform::EMessageError naming the picture when it cannot be
// decoded or its size is outside 16 to kMaxPictureSide pixels.
std::unique_ptr<TAdvancedIcon> IconFromPng(std::string_view bytes, const std::string &fileName,
                                           bool large = true);
// The icon made from an SVG drawing, drawn afresh at every standard size (a drawing has no
// size of its own to stay below). Raises platform::EMessageError naming the drawing when it
// cannot be read.
std::unique_ptr<TAdvancedIcon> IconFromSvg(std::string_view bytes, const std::string &fileName,
                                           bool large = true);
// The icon made from the picture file, by its name's extension. Raises
// platform::EFileReadError when the file cannot be read.
std::unique_ptr<TAdvancedIcon> IconFromPictureFile(const std::string &fileName, bool large = true);

// Makes the icon of the picture and adds it to the 32-bit icon library `libraryName`, which is
// written anew: a new library, or an existing 32-bit one whose icons and names are kept (its
// other resources are not). The new icon is named by the next free number, which a 32-bit
// library lists after every icon it held, so the icons already referred to keep their
// positions. Returns the new icon's position (its index in an icon reference). Raises
// platform::EMessageError naming the file for a picture that cannot be made into an icon,
// an existing 16-bit library or a file that is not a 32-bit module, before anything is
// written; platform::EFileWriteError when the write fails.
int AddPictureToLibrary(const std::string &pictureName, const std::string &libraryName);

} // namespace icons
