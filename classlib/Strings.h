// String lists: ordered 8-bit strings with an optional object each, name=value access,
// sorting, and the class library's text rules (lines end at CR, LF or CR LF; the text of
// a list ends every line with CR LF).
#pragma once

#include "classlib/Classes.h"

namespace cl {

class TStream;

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
    CL_CLASS(TStrings)
public:
    virtual int Count() const = 0;
    virtual AnsiString Get(int index) const = 0;
    virtual void Put(int index, const AnsiString& s);
    virtual TObject* GetObject(int index) const;
    virtual void PutObject(int index, TObject* obj);
    virtual void Insert(int index, const AnsiString& s) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual int Add(const AnsiString& s);
    int AddObject(const AnsiString& s, TObject* obj);
    void AddStrings(const TStrings& other);
    virtual int IndexOf(const AnsiString& s) const; // case-insensitive
    int IndexOfName(const AnsiString& name) const;
    int IndexOfObject(const TObject* obj) const;
    void Move(int from, int to);
    void Exchange(int a, int b);

    AnsiString operator[](int index) const { return Get(index); }
    AnsiString Names(int index) const;                     // text before the first "="
    AnsiString ValueFromIndex(int index) const;            // text after it
    AnsiString Values(const AnsiString& name) const;       // "" when absent
    void SetValue(const AnsiString& name, const AnsiString& value); // empty value deletes

    AnsiString Text() const;
    virtual void SetText(std::string_view text);
    AnsiString CommaText() const;

    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const AnsiString& fileName);
    void SaveToFile(const AnsiString& fileName) const;

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void Assign(const TPersistent& source) override;

protected:
    virtual void Changed() {}
    int UpdateCount() const { return updateCount_; }
    void CheckIndex(int index, int count) const;

private:
    int updateCount_ = 0;
};

class TStringList : public TStrings {
    CL_CLASS(TStringList)
public:
    TStringList() = default;
    ~TStringList() override;

    int Count() const override { return static_cast<int>(items_.size()); }
    AnsiString Get(int index) const override;
    void Put(int index, const AnsiString& s) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* obj) override;
    void Insert(int index, const AnsiString& s) override;
    void Delete(int index) override;
    void Clear() override;
    int Add(const AnsiString& s) override;
    int IndexOf(const AnsiString& s) const override;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates d) { duplicates_ = d; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool cs);
    void Sort();
    // Binary search of a sorted list: true and the index when present, else the insertion point.
    bool Find(const AnsiString& s, int& index) const;
    // The list frees its objects when items go or the list is freed.
    bool OwnsObjects() const { return ownsObjects_; }
    void SetOwnsObjects(bool owns) { ownsObjects_ = owns; }

    std::function<void(TObject* sender)> OnChange;

protected:
    void Changed() override;

private:
    struct Item {
        AnsiString text;
        TObject* object = nullptr;
    };
    int Compare(const AnsiString& a, const AnsiString& b) const;
    void InsertItem(int index, const AnsiString& s, TObject* obj);
    void FreeObject(TObject* obj) const;

    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    bool ownsObjects_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
};

} // namespace cl
