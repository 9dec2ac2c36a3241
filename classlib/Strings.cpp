#include "classlib/Strings.h"

#include "classlib/Streams.h"

#include <algorithm>

namespace cl {

const TClass& TStrings::StaticClass() { return DefineClass<TStrings, TPersistent>("TStrings"); }

void TStrings::CheckIndex(int index, int count) const
{
    if (index < 0 || index >= count) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

void TStrings::Put(int index, const AnsiString& s)
{
    TObject* obj = GetObject(index);
    Delete(index);
    Insert(index, s);
    PutObject(index, obj);
}

TObject* TStrings::GetObject(int) const { return nullptr; }
void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const AnsiString& s)
{
    int index = Count();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(const AnsiString& s, TObject* obj)
{
    int index = Add(s);
    PutObject(index, obj);
    return index;
}

void TStrings::AddStrings(const TStrings& other)
{
    BeginUpdate();
    for (int i = 0; i < other.Count(); ++i) AddObject(other.Get(i), other.GetObject(i));
    EndUpdate();
}

int TStrings::IndexOf(const AnsiString& s) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(Get(i), s)) return i;
    return -1;
}

int TStrings::IndexOfName(const AnsiString& name) const
{
    for (int i = 0; i < Count(); ++i) {
        AnsiString s = Get(i);
        size_t eq = s.find('=');
        if (eq != AnsiString::npos && SameText(std::string_view(s).substr(0, eq), name)) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* obj) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == obj) return i;
    return -1;
}

void TStrings::Move(int from, int to)
{
    if (from == to) return;
    AnsiString s = Get(from);
    TObject* obj = GetObject(from);
    BeginUpdate();
    Delete(from);
    Insert(to, s);
    PutObject(to, obj);
    EndUpdate();
}

void TStrings::Exchange(int a, int b)
{
    AnsiString sa = Get(a), sb = Get(b);
    TObject *oa = GetObject(a), *ob = GetObject(b);
    BeginUpdate();
    Put(a, sb);
    PutObject(a, ob);
    Put(b, sa);
    PutObject(b, oa);
    EndUpdate();
}

AnsiString TStrings::Names(int index) const
{
    AnsiString s = Get(index);
    size_t eq = s.find('=');
    return eq == AnsiString::npos ? AnsiString() : s.substr(0, eq);
}

AnsiString TStrings::ValueFromIndex(int index) const
{
    AnsiString s = Get(index);
    size_t eq = s.find('=');
    return eq == AnsiString::npos ? AnsiString() : s.substr(eq + 1);
}

AnsiString TStrings::Values(const AnsiString& name) const
{
    int i = IndexOfName(name);
    return i < 0 ? AnsiString() : ValueFromIndex(i);
}

void TStrings::SetValue(const AnsiString& name, const AnsiString& value)
{
    int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0) Delete(i);
    } else if (i < 0) {
        Add(name + "=" + value);
    } else {
        Put(i, name + "=" + value);
    }
}

AnsiString TStrings::Text() const
{
    AnsiString r;
    for (int i = 0; i < Count(); ++i) {
        r += Get(i);
        r += "\r\n";
    }
    return r;
}

void TStrings::SetText(std::string_view text)
{
    BeginUpdate();
    Clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find_first_of("\r\n", i);
        if (end == std::string_view::npos) {
            Add(AnsiString(text.substr(i)));
            break;
        }
        Add(AnsiString(text.substr(i, end - i)));
        i = end + 1;
        if (text[end] == '\r' && i < text.size() && text[i] == '\n') ++i;
    }
    EndUpdate();
}

AnsiString TStrings::CommaText() const
{
    AnsiString r;
    for (int i = 0; i < Count(); ++i) {
        AnsiString s = Get(i);
        if (i) r += ',';
        bool quote = s.empty() || s.find_first_of(" ,\"") != AnsiString::npos;
        if (!quote) {
            r += s;
            continue;
        }
        r += '"';
        for (char c : s) {
            if (c == '"') r += '"';
            r += c;
        }
        r += '"';
    }
    return r;
}

void TStrings::LoadFromStream(TStream& stream)
{
    std::int64_t size = stream.Size() - stream.Position();
    AnsiString text(static_cast<size_t>(std::max<std::int64_t>(0, size)), '\0');
    text.resize(static_cast<size_t>(stream.Read(text.data(), static_cast<std::int64_t>(text.size()))));
    SetText(text);
}

void TStrings::SaveToStream(TStream& stream) const
{
    AnsiString text = Text();
    stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void TStrings::LoadFromFile(const AnsiString& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TStrings::SaveToFile(const AnsiString& fileName) const
{
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

void TStrings::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TStrings::Assign(const TPersistent& source)
{
    auto* other = dynamic_cast<const TStrings*>(&source);
    if (!other) return TPersistent::Assign(source);
    if (other == this) return;
    BeginUpdate();
    Clear();
    AddStrings(*other);
    EndUpdate();
}

// ---------------------------------------------------------------------------------------

const TClass& TStringList::StaticClass() { return DefineClass<TStringList, TStrings>("TStringList"); }

TStringList::~TStringList()
{
    OnChange = nullptr;
    for (Item& item : items_) FreeObject(item.object);
}

void TStringList::FreeObject(TObject* obj) const
{
    if (ownsObjects_) delete obj;
}

AnsiString TStringList::Get(int index) const
{
    CheckIndex(index, Count());
    return items_[static_cast<size_t>(index)].text;
}

void TStringList::Put(int index, const AnsiString& s)
{
    if (sorted_) throw EListError("Operation not allowed on sorted list");
    CheckIndex(index, Count());
    items_[static_cast<size_t>(index)].text = s;
    Changed();
}

TObject* TStringList::GetObject(int index) const
{
    CheckIndex(index, Count());
    return items_[static_cast<size_t>(index)].object;
}

void TStringList::PutObject(int index, TObject* obj)
{
    CheckIndex(index, Count());
    Item& item = items_[static_cast<size_t>(index)];
    if (item.object != obj) FreeObject(item.object);
    item.object = obj;
    Changed();
}

void TStringList::Insert(int index, const AnsiString& s)
{
    if (sorted_) throw EListError("Operation not allowed on sorted list");
    if (index < 0 || index > Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    InsertItem(index, s, nullptr);
}

void TStringList::InsertItem(int index, const AnsiString& s, TObject* obj)
{
    items_.insert(items_.begin() + index, Item{s, obj});
    Changed();
}

void TStringList::Delete(int index)
{
    CheckIndex(index, Count());
    TObject* obj = items_[static_cast<size_t>(index)].object;
    items_.erase(items_.begin() + index);
    FreeObject(obj);
    Changed();
}

void TStringList::Clear()
{
    if (items_.empty()) return;
    std::vector<Item> old;
    old.swap(items_);
    for (Item& item : old) FreeObject(item.object);
    Changed();
}

int TStringList::Add(const AnsiString& s)
{
    if (!sorted_) return TStrings::Add(s);
    int index;
    if (Find(s, index)) {
        if (duplicates_ == TDuplicates::dupIgnore) return index;
        if (duplicates_ == TDuplicates::dupError) throw EListError("String list does not allow duplicates");
    }
    InsertItem(index, s, nullptr);
    return index;
}

int TStringList::Compare(const AnsiString& a, const AnsiString& b) const
{
    return caseSensitive_ ? a.compare(b) : CompareText(a, b);
}

int TStringList::IndexOf(const AnsiString& s) const
{
    if (sorted_) {
        int index;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (Compare(items_[static_cast<size_t>(i)].text, s) == 0) return i;
    return -1;
}

bool TStringList::Find(const AnsiString& s, int& index) const
{
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = Compare(items_[static_cast<size_t>(mid)].text, s);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != TDuplicates::dupAccept) lo = mid;
            }
        }
    }
    index = lo;
    return found;
}

void TStringList::Sort()
{
    std::stable_sort(items_.begin(), items_.end(), [this](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
    Changed();
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted == sorted_) return;
    if (sorted) Sort();
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool cs)
{
    if (cs == caseSensitive_) return;
    caseSensitive_ = cs;
    if (sorted_) Sort();
}

void TStringList::Changed()
{
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

} // namespace cl
