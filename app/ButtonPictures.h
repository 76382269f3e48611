#pragma once

#include <QIcon>

// The 32 by 32 pictures of the window, drawn in code so the program carries no image files.
namespace ButtonPictures {

QIcon addFiles();   // a page with a globe and a red plus sign
QIcon addFolder();  // an open folder
QIcon saveAsText(); // a text page with a large "T" and a globe

} // namespace ButtonPictures
