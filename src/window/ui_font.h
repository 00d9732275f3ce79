// The window's text font on Windows. Qt takes the system's dialog font,
// which may be the logical name "MS Shell Dlg" that Windows maps to a real
// face by its font substitutes, or a face the computer does not have; where
// the mapping is missing (under Wine, say) Qt falls back to the first face it
// knows, a serif one, which does not fit the window. There the first
// installed of Windows' own dialog faces (Segoe UI, Tahoma), Verdana and
// Arial is used, and failing those a sans-serif face that Wine takes from
// the host (Liberation Sans, DejaVu Sans), at 9 points as Windows sets
// Segoe UI. Elsewhere the system's font stays.
#pragma once

namespace brenvik {

// Call once the application object exists, before any widget is made.
void UseInstalledUiFont();

}  // namespace brenvik
