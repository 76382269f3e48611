#pragma once

#include "platform/FileDialog.h"

// How the "Add HTML Files" dialog is opened, written anew before every opening: the title, and
// the HTML filter first, so that it is the one in force, then all files.
FileDialogSettings addFilesDialogSettings();
