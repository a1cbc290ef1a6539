// The codec back ends of ImageIO, one file per library. Each reads or writes
// a whole file by name and throws Failure with the library's message.
#pragma once

#include <string>

#include "ValueMapping.h"

namespace vcli {

Raster ReadPng(const std::string &path);
void WritePng(const std::string &path, const Raster &raster);

Raster ReadTiff(const std::string &path);
void WriteTiff(const std::string &path, const Raster &raster);

Raster ReadExr(const std::string &path);
void WriteExr(const std::string &path, const Raster &raster);

// Failure unless width and height are 1 to kMaxImageSide.
void CheckImageSize(const std::string &path, long long width, long long height);

// "cannot read PATH: WHAT" and "cannot write PATH: WHAT".
std::string ReadError(const std::string &path, const std::string &what);
std::string WriteError(const std::string &path, const std::string &what);

} // namespace vcli
