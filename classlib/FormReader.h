// Form resources: a small text format, UTF-8, that names a component tree and its
// published properties, read into a root component (a form) that already exists.
//
//   TMainForm MainForm {
//     Caption = "游戏盒"                 // strings, converted to the 8-bit code page
//     Width = 800  Font.Name = "SimSun"   // dotted paths reach owned objects
//     Align = alClient                    // enumeration values, named constants
//     Anchors = [akLeft, akTop]           // sets
//     Lines = ("one" "two")               // string lists
//     SkinStream = {0A1B 2C3D}            // binary data, hexadecimal
//     Panels = < { Width = 50 } { Text = "x" } >  // collection items
//     PopupMenu = pmMain                  // references to components, resolved at the end
//     OnCreate = FormCreate               // events, bound to the root's handlers by name
//     TPanel pnlTop { ... }               // owned components, nested by parent
//   }
//
// Components are created by class name in resource order (the root's published field of
// the same name gives or checks the class), owned by the root and nested in their
// enclosing component; then references are resolved and Loaded is called on the root and
// every created component in order. Any wrong class, property, value or handler raises
// EReadError naming it and its line, and so do objects and collections nested more than
// MaxNesting levels deep (the root object is the first level).
#pragma once

#include "classlib/Classes.h"

#include <string_view>

namespace cl {

constexpr int MaxNesting = 64;

void ReadComponentText(std::string_view text, TComponent& root);

} // namespace cl
