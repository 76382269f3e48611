#pragma once

class FileListModel;

// Reordering the list by dragging an item with the mouse, as plain steps over the list so the
// window only has to feed them positions. Positions are 1-based; 0 stands for "no item".

// One step of the drag: the dragged path trades places with the path under the pointer.
// Returns the position that now holds the dragged path, or 0 when nothing was exchanged
// (no dragged item, nothing under the pointer, or the same text under the pointer).
int exchangeDraggedPath(FileListModel &list, int draggedPosition, int targetPosition);

// After an exchange that left the dragged path at `position`, the neighbour to bring into view
// for a pointer at screen row `screenY`; 0 when the list is to stay as it is.
int edgeScrollNeighbour(int screenY, int position, int count);
