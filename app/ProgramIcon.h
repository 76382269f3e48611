#pragma once

#include <QImage>

// The program's picture, a sheet of text with a quill across it, drawn at side × side pixels:
// the window's icon, and the files the desktop's menu shows (written at build time by
// tools/make_icons), so that both are the same picture.
QImage drawProgramIcon(int side);
