#pragma once
// Names for the buttons Qt adds to a window by itself (the overflow buttons of tool bars and menu
// bars, the clear button of a search box): without one a screen reader says only "button".

class QWidget;

namespace accessible {

// Names those buttons among window's children as they are now; call again after adding more.
void NameQtButtons(QWidget* window);

} // namespace accessible
