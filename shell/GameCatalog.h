// The game catalogues the local pages show ("Local": games played, any other kind: the
// favourites): XML documents of `item` entries, each a `txt` title and a CDATA `url`,
// edited through the platform's XML DOM. Shared by the program (deleting) and the player
// library (adding).
#pragma once

#include "classlib/SysUtils.h"

// AppPath + the catalogue file of the kind word ("Local" exactly, or any other word).
cl::AnsiString CatalogFileName(const cl::AnsiString& kind);

enum class TCatalogAdd { caNotOpened, caExists, caAdded };

// Adds an entry unless title is empty (caNotOpened), the catalogue is missing or malformed
// (caNotOpened) or an entry has this title (caExists). A failed save raises EOleSysError.
TCatalogAdd CatalogAdd(const cl::AnsiString& kind, const cl::AnsiString& title, const cl::AnsiString& url);

// Removes the first entry titled title and saves; false when the catalogue is missing or
// malformed (nothing removed), true otherwise, also when no entry had the title. A failed
// save raises EOleSysError.
bool CatalogDelete(const cl::AnsiString& kind, const cl::AnsiString& title);
