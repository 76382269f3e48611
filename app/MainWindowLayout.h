#pragma once

#include "app/Twips.h"

#include <QSize>

// Where everything stands in the main window's client area, straight from the layout table.
namespace MainWindowLayout {

constexpr QSize clientSize(pixels(7350), pixels(3495));
constexpr QRect fileList = twipsRect(120, 120, 7095, 1575);
constexpr QRect addFilesButton = twipsRect(120, 1800, 2295, 1095);
constexpr QRect addFolderButton = twipsRect(2520, 1800, 2295, 1095);
constexpr QRect progressBar = twipsRect(120, 3000, 7095, 375);
constexpr QRect saveAsTextButton = twipsRect(4920, 1800, 2295, 1095);
constexpr int fileColumnWidth = pixels(6000);

} // namespace MainWindowLayout
