#pragma once

#include <QString>

// Where the pointer files "HAND-M.CUR" and "drag.ico" are: beside the program when they are
// there (a build, a copied folder), otherwise in the program's data folder as installed
// (dataFolderFromProgram is relative to the program's own folder, so any prefix works).
QString pointerFilesFolder(const QString &programFolder, const QString &dataFolderFromProgram);
