#include "shell/GameCatalog.h"

#include "classlib/ComObj.h"
#include "classlib/Encoding.h"
#include "shell/UnConst.h"

#include <msxml2.h>

namespace {

// {2933BF95-7B36-11D2-B20E-00C04F983E60}; mingw's import libraries lack it.
const IID IID_XMLDOMDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

using cl::TBStr;
using cl::TComPtr;
using cl::TOleVariant;

// One catalogue, loaded for one operation.
class TCatalog {
public:
    // False when the file is missing or is no XML document.
    bool Open(const cl::AnsiString& kind)
    {
        fileName_ = CatalogFileName(kind);
        CLSID clsid;
        cl::OleCheck(CLSIDFromProgID(L"Msxml2.DOMDocument", &clsid));
        cl::OleCheck(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_XMLDOMDocument2,
                                      reinterpret_cast<void**>(doc_.put())));
        cl::OleCheck(doc_->put_async(VARIANT_FALSE));
        cl::OleCheck(doc_->setProperty(TBStr(L"SelectionLanguage").get(), TOleVariant(L"XPath").get()));
        VARIANT_BOOL loaded = VARIANT_FALSE;
        cl::OleCheck(doc_->load(TOleVariant(fileName_).get(), &loaded));
        if (loaded != VARIANT_TRUE) return false;
        cl::OleCheck(doc_->get_documentElement(root_.put()));
        return static_cast<bool>(root_);
    }

    // The first `item` of the document element with a `txt` child whose text is title,
    // compared as it stands (no selection text is built from the title).
    TComPtr<IXMLDOMNode> Find(const std::wstring& title)
    {
        TComPtr<IXMLDOMNodeList> items;
        cl::OleCheck(doc_->selectNodes(TBStr(L"/root/item").get(), items.put()));
        if (!items) return {};
        for (;;) {
            TComPtr<IXMLDOMNode> item;
            if (items->nextNode(item.put()) != S_OK || !item) return {};
            TComPtr<IXMLDOMNodeList> texts;
            cl::OleCheck(item->selectNodes(TBStr(L"txt").get(), texts.put()));
            if (!texts) continue;
            for (;;) {
                TComPtr<IXMLDOMNode> txt;
                if (texts->nextNode(txt.put()) != S_OK || !txt) break;
                TBStr text;
                cl::OleCheck(txt->get_text(text.put()));
                if (text.Wide() == title) return item;
            }
        }
    }

    void Remove(IXMLDOMNode* item)
    {
        TComPtr<IXMLDOMNode> parent, removed;
        cl::OleCheck(item->get_parentNode(parent.put()));
        if (parent) cl::OleCheck(parent->removeChild(item, removed.put()));
    }

    void Add(const std::wstring& title, const std::wstring& url)
    {
        TComPtr<IXMLDOMElement> item, txt, link;
        TComPtr<IXMLDOMText> text;
        TComPtr<IXMLDOMNode> out;
        cl::OleCheck(doc_->createElement(TBStr(L"item").get(), item.put()));
        cl::OleCheck(root_->appendChild(item.get(), out.put()));
        cl::OleCheck(doc_->createElement(TBStr(L"txt").get(), txt.put()));
        cl::OleCheck(item->appendChild(txt.get(), out.put()));
        cl::OleCheck(doc_->createTextNode(TBStr(title).get(), text.put()));
        cl::OleCheck(txt->appendChild(text.get(), out.put()));
        cl::OleCheck(doc_->createElement(TBStr(L"url").get(), link.put()));
        cl::OleCheck(item->appendChild(link.get(), out.put()));
        // A section cannot hold "]]>": the address is split after each "]]", so the file stays
        // well-formed and the element's text is still the whole address.
        std::size_t from = 0;
        for (;;) {
            const std::size_t end = url.find(L"]]>", from);
            const std::size_t stop = end == std::wstring::npos ? url.size() : end + 2;
            TComPtr<IXMLDOMCDATASection> cdata;
            cl::OleCheck(doc_->createCDATASection(TBStr(url.substr(from, stop - from)).get(), cdata.put()));
            cl::OleCheck(link->appendChild(cdata.get(), out.put()));
            if (end == std::wstring::npos) break;
            from = stop;
        }
    }

    void Save() { cl::OleCheck(doc_->save(TOleVariant(fileName_).get())); }

private:
    cl::AnsiString fileName_;
    TComPtr<IXMLDOMDocument2> doc_;
    TComPtr<IXMLDOMElement> root_;
};

} // namespace

cl::AnsiString CatalogFileName(const cl::AnsiString& kind)
{
    return AppPath + (kind == "Local" ? "LocalPage\\catalog\\gamelocal.xml" : "LocalPage\\catalog\\gamefavorites.xml");
}

TCatalogAdd CatalogAdd(const cl::AnsiString& kind, const cl::AnsiString& title, const cl::AnsiString& url)
{
    if (title.empty()) return TCatalogAdd::caNotOpened;
    TCatalog catalog;
    if (!catalog.Open(kind)) return TCatalogAdd::caNotOpened;
    const std::wstring wideTitle = cl::AnsiToWide(title);
    if (catalog.Find(wideTitle)) return TCatalogAdd::caExists;
    catalog.Add(wideTitle, cl::AnsiToWide(url));
    catalog.Save();
    return TCatalogAdd::caAdded;
}

bool CatalogDelete(const cl::AnsiString& kind, const cl::AnsiString& title)
{
    TCatalog catalog;
    if (!catalog.Open(kind)) return false;
    if (TComPtr<IXMLDOMNode> item = catalog.Find(cl::AnsiToWide(title))) {
        catalog.Remove(item.get());
        catalog.Save();
    }
    return true;
}
