// Writing 8-bit RGBA pixels (straight alpha, top row first) as a PNG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

bool WritePng(const std::wstring& path, int width, int height, const std::vector<uint8_t>& rgba);
