#pragma once
// Images read and painted as the map tool's commands need them: a GUI
// application without a display, files opened by their bytes.
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>

#include <cstdint>
#include <memory>
#include <string>

namespace MapTool {

// A blank image, and the largest image read, may take this much memory.
inline constexpr int64_t ImageByteLimit = int64_t(1) << 30;

// The application images need, on the off-screen platform when there is no display.
std::unique_ptr<QGuiApplication> StartImageApplication(const char* program);

// Reads the file at path (its bytes as given: a name that is not valid UTF-8
// is still found) into image, and its content into bytes when asked; false
// with the reason reported on standard error.
bool ReadImageFile(const std::string& path, QImage& image, QByteArray* bytes = nullptr);

}  // namespace MapTool
