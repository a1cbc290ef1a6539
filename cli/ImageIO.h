// Reading and writing image files: PNG (8 and 16 bit), TIFF (8, 16 and
// 32-bit float) and OpenEXR (half and float), RGB or RGBA. Outputs are
// written to a temporary file beside the target and renamed over it at the
// end, so a failed write never leaves a partial file; its name is shortened
// where needed so that every name the file system takes can be written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ValueMapping.h"

namespace vcli {

enum class FileFormat { Png, Tiff, Exr };

// The largest image side accepted (the host's largest layer).
constexpr int kMaxImageSide = 30000;

// The most pixels an image read may have unless a caller gives another
// limit: the machine's physical memory / 128 bytes (a render at 32-bit float
// peaks near 100 bytes a pixel), or 64 Mi pixels when the memory is unknown.
uint64_t DefaultPixelLimit();

// The most bytes a file name (without its folder) may have in the folder
// path would be written to; 255 when the system does not say.
size_t FileNameLimit(const std::string &path);

// The format named by the path's extension (.png, .tif, .tiff, .exr, in any
// case); UsageError for any other extension.
FileFormat FormatOfPath(const std::string &path);
const char *FormatName(FileFormat format);
// Whether the format stores samples of this kind exactly: PNG 8 and 16-bit,
// TIFF all three, OpenEXR float only.
bool FormatHolds(FileFormat format, SampleKind kind);
// UsageError when the format cannot hold samples of this depth, naming a
// format that can.
void CheckFormatHolds(const std::string &path, SampleKind kind);

// Reads a file of any supported format (recognised by its content, not its
// name). Failure, naming the file and the problem, when it cannot be read,
// is not a regular file, is truncated or corrupt, holds a layout that is not
// supported, or has more than maxPixels pixels (checked before the pixels
// are read).
Raster ReadImage(const std::string &path, uint64_t maxPixels);
Raster ReadImage(const std::string &path);  // with DefaultPixelLimit()

// Writes the raster in the format of the path's extension.
void WriteImage(const std::string &path, const Raster &raster);
// Writes a working image as the file samples of its own depth, the same
// file as WriteImage(path, FromWorking(working)); PNG maps it a row at a
// time, without a copy of the whole image.
void WriteImage(const std::string &path, const vemu::Image &working);

// Failure when the folder a file would be written to does not exist.
void CheckOutputFolder(const std::string &path);
// UsageError when the file name is longer than the folder's file system
// allows (FileNameLimit).
void CheckOutputName(const std::string &path);

// Removes the temporary file of a write in progress when the process is
// interrupted (SIGINT, SIGTERM, SIGHUP), then ends it.
void InstallInterruptCleanup();

} // namespace vcli
