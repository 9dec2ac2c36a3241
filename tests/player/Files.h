// Files beside the test program: the records file and the catalogues, read back through
// the platform (profile functions, the XML DOM), never through the code under test.
#pragma once

#include "classlib/ComObj.h"
#include "shell/UnConst.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <msxml2.h>

#include <string>
#include <utility>
#include <vector>

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    for (size_t i = 0; (i = path.find('\\', i + 1)) != std::string::npos;) CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

inline std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return "<missing>";
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    fclose(f);
    return bytes;
}

inline std::string Profile(const std::string& section, const char* key)
{
    char value[1024] = "";
    std::string file = AppPath + DataFileName;
    GetPrivateProfileStringA(section.c_str(), key, "<none>", value, sizeof value, file.c_str());
    return value;
}

// {2933BF81-7B36-11D2-B20E-00C04F983E60}; mingw's import libraries lack it.
inline const IID kIID_XMLDOMDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

inline const char* const kLocal = "LocalPage\\catalog\\gamelocal.xml";
inline const char* const kFavourites = "LocalPage\\catalog\\gamefavorites.xml";
inline const char* const kEmptyCatalogue = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root/>\n";

// The (title, address) pairs of a catalogue, in document order; {"<unreadable>"} when the
// file does not load.
inline std::vector<std::pair<std::wstring, std::wstring>> Entries(const char* relative)
{
    std::vector<std::pair<std::wstring, std::wstring>> out;
    CLSID clsid;
    CLSIDFromProgID(L"Msxml2.DOMDocument", &clsid);
    cl::TComPtr<IXMLDOMDocument> doc;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIID_XMLDOMDocument, reinterpret_cast<void**>(doc.put()));
    if (!doc) return {{L"<no DOM>", L""}};
    doc->put_async(VARIANT_FALSE);
    VARIANT_BOOL ok = VARIANT_FALSE;
    doc->load(cl::TOleVariant(AppPath + relative).get(), &ok);
    if (ok != VARIANT_TRUE) return {{L"<unreadable>", L""}};
    cl::TComPtr<IXMLDOMNodeList> items;
    doc->selectNodes(cl::TBStr(L"/root/item").get(), items.put());
    for (cl::TComPtr<IXMLDOMNode> item; items && items->nextNode(item.put()) == S_OK && item;) {
        cl::TComPtr<IXMLDOMNode> txt, url;
        cl::TBStr t, u;
        item->selectSingleNode(cl::TBStr(L"txt").get(), txt.put());
        item->selectSingleNode(cl::TBStr(L"url").get(), url.put());
        if (txt) txt->get_text(t.put());
        if (url) url->get_text(u.put());
        out.emplace_back(t.Wide(), u.Wide());
    }
    return out;
}
