#include "classlib/FormReader.h"

#include "classlib/Encoding.h"
#include "classlib/StartupSteps.h"
#include "classlib/Strings.h"
#include "classlib/TypInfo.h"

#include <memory>

namespace cl {

namespace {

// ---------------------------------------------------------------------------------------
// Syntax tree

struct Node;

struct Value {
    enum Kind { Ident, String, Number, Set, List, Binary, Collection } kind = Ident;
    std::string text;                           // Ident, String (UTF-8), Number (as written)
    std::vector<std::string> items;             // Set names, List strings
    TBytes bytes;                               // Binary
    std::vector<std::vector<struct Property>> collection;
    int line = 0;
};

struct Property {
    std::vector<std::string> path;
    Value value;
    int line = 0;
};

struct Node {
    std::string className, name;
    std::vector<Property> props;
    std::vector<std::unique_ptr<Node>> children;
    int line = 0;
};

[[noreturn]] void Fail(int line, const std::string& message)
{
    throw EReadError("Form resource line " + std::to_string(line) + ": " + message);
}

// ---------------------------------------------------------------------------------------
// Parser

class Parser {
public:
    explicit Parser(std::string_view text) : s_(text) {}

    std::unique_ptr<Node> Root()
    {
        auto root = ParseObject(Ident("a class name"));
        Skip();
        if (p_ < s_.size()) Fail(line_, "text after the end of the root object");
        return root;
    }

private:
    void Skip()
    {
        while (p_ < s_.size()) {
            char c = s_[p_];
            if (c == '\n') {
                ++line_;
                ++p_;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++p_;
            } else if (c == '/' && p_ + 1 < s_.size() && s_[p_ + 1] == '/') {
                while (p_ < s_.size() && s_[p_] != '\n') ++p_;
            } else {
                break;
            }
        }
    }

    bool Peek(char c)
    {
        Skip();
        return p_ < s_.size() && s_[p_] == c;
    }

    void Expect(char c)
    {
        if (!Peek(c)) Fail(line_, std::string("expected '") + c + "'");
        ++p_;
    }

    static bool IdentChar(char c, bool first)
    {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (!first && c >= '0' && c <= '9');
    }

    bool AtIdent()
    {
        Skip();
        return p_ < s_.size() && IdentChar(s_[p_], true);
    }

    std::string Ident(const char* what)
    {
        if (!AtIdent()) Fail(line_, std::string("expected ") + what);
        size_t start = p_;
        while (p_ < s_.size() && IdentChar(s_[p_], false)) ++p_;
        return std::string(s_.substr(start, p_ - start));
    }

    // Objects and collections nest by recursion: a depth bound keeps damaged or hostile
    // text from exhausting the stack.
    struct Level {
        Parser& p;
        explicit Level(Parser& parser) : p(parser)
        {
            if (++p.depth_ > MaxNesting) Fail(p.line_, "nesting deeper than " + std::to_string(MaxNesting) + " levels");
        }
        ~Level() { --p.depth_; }
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;
    };

    std::unique_ptr<Node> ParseObject(std::string className)
    {
        Level level(*this);
        auto node = std::make_unique<Node>();
        node->line = line_;
        node->className = std::move(className);
        if (AtIdent()) node->name = Ident("a component name");
        Expect('{');
        while (!Peek('}')) {
            if (p_ >= s_.size()) Fail(line_, "missing '}' of " + node->className);
            int line = line_;
            std::string first = Ident("a property or a component");
            if (Peek('=') || Peek('.')) {
                node->props.push_back(ParseProperty(std::move(first), line));
            } else {
                node->children.push_back(ParseObject(std::move(first)));
            }
        }
        ++p_;
        return node;
    }

    Property ParseProperty(std::string first, int line)
    {
        Property prop;
        prop.line = line;
        prop.path.push_back(std::move(first));
        while (Peek('.')) {
            ++p_;
            prop.path.push_back(Ident("a property name"));
        }
        Expect('=');
        prop.value = ParseValue();
        return prop;
    }

    Value ParseValue()
    {
        Skip();
        Value v;
        v.line = line_;
        if (p_ >= s_.size()) Fail(line_, "expected a value");
        char c = s_[p_];
        if (c == '"') {
            v.kind = Value::String;
            v.text = String();
        } else if (c == '[') {
            v.kind = Value::Set;
            ++p_;
            while (!Peek(']')) {
                if (!v.items.empty()) Expect(',');
                v.items.push_back(Ident("a set element"));
            }
            ++p_;
        } else if (c == '(') {
            v.kind = Value::List;
            ++p_;
            while (!Peek(')')) {
                if (!Peek('"')) Fail(line_, "expected a string in the list");
                v.items.push_back(String());
            }
            ++p_;
        } else if (c == '{') {
            v.kind = Value::Binary;
            ++p_;
            int high = -1;
            while (!Peek('}')) {
                if (p_ >= s_.size()) Fail(line_, "missing '}' of binary data");
                int d = HexDigit(s_[p_++]);
                if (d < 0) Fail(line_, "bad character in binary data");
                if (high < 0) {
                    high = d;
                } else {
                    v.bytes.push_back(static_cast<std::uint8_t>(high * 16 + d));
                    high = -1;
                }
            }
            if (high >= 0) Fail(line_, "odd number of hexadecimal digits");
            ++p_;
        } else if (c == '<') {
            Level level(*this);
            v.kind = Value::Collection;
            ++p_;
            while (!Peek('>')) {
                Expect('{');
                std::vector<Property> item;
                while (!Peek('}')) {
                    if (p_ >= s_.size()) Fail(line_, "missing '}' of a collection item");
                    int line = line_;
                    item.push_back(ParseProperty(Ident("a property name"), line));
                }
                ++p_;
                v.collection.push_back(std::move(item));
            }
            ++p_;
        } else if (c == '-' || c == '+' || c == '$' || (c >= '0' && c <= '9')) {
            v.kind = Value::Number;
            size_t start = p_++;
            while (p_ < s_.size() && (IdentChar(s_[p_], false) || s_[p_] == '.')) ++p_;
            v.text = std::string(s_.substr(start, p_ - start));
        } else {
            v.kind = Value::Ident;
            v.text = Ident("a value");
        }
        return v;
    }

    static int HexDigit(char c)
    {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    // "..." with \" \\ \n \r \t and \xHH escapes; the text stays UTF-8.
    std::string String()
    {
        ++p_;
        std::string r;
        for (;;) {
            if (p_ >= s_.size() || s_[p_] == '\n') Fail(line_, "unterminated string");
            char c = s_[p_++];
            if (c == '"') break;
            if (c != '\\') {
                r += c;
                continue;
            }
            if (p_ >= s_.size()) Fail(line_, "unterminated string");
            char e = s_[p_++];
            switch (e) {
            case '"': r += '"'; break;
            case '\\': r += '\\'; break;
            case 'n': r += '\n'; break;
            case 'r': r += '\r'; break;
            case 't': r += '\t'; break;
            case 'x': {
                int h = p_ + 1 < s_.size() ? HexDigit(s_[p_]) : -1, l = h >= 0 ? HexDigit(s_[p_ + 1]) : -1;
                if (l < 0) Fail(line_, "bad \\x escape");
                r += static_cast<char>(h * 16 + l);
                p_ += 2;
                break;
            }
            default:
                Fail(line_, std::string("unknown escape \\") + e);
            }
        }
        return r;
    }

    std::string_view s_;
    size_t p_ = 0;
    int line_ = 1;
    int depth_ = 0;
};

// ---------------------------------------------------------------------------------------
// Loader

class Loader {
public:
    explicit Loader(TComponent& root) : root_(root) {}

    void Load(const Node& node)
    {
        if (!SameText(node.className, root_.ClassName()))
            Fail(node.line, "the resource is for " + node.className + ", not " + root_.ClassName());
        root_.BeginLoading();
        loaded_.push_back(&root_);
        if (!node.name.empty()) Guard(node.line, [&] { root_.SetName(node.name); });
        Apply(root_, node.props);
        for (const auto& child : node.children) Create(*child, root_);
        for (const Fixup& f : fixups_) Resolve(f);
        STARTUP_STEP("references resolved");
        for (TComponent* c : loaded_) {
            c->Loaded();
            STARTUP_STEP("Loaded", c->Name().c_str());
        }
    }

private:
    struct Fixup {
        TObject* object;
        const TPropInfo* prop;
        std::string name;
        int line;
    };

    template <class F> static void Guard(int line, F&& f)
    {
        try {
            f();
        } catch (const EReadError&) {
            throw;
        } catch (const Exception& e) {
            Fail(line, e.Message());
        }
    }

    void Create(const Node& node, TComponent& parent)
    {
        const TFieldInfo* field = node.name.empty() ? nullptr : root_.ClassType().FindField(node.name);
        const TClass* cls = FindClass(node.className);
        if (!cls && field && SameText(field->classType().Name(), node.className)) cls = &field->classType();
        if (!cls) Fail(node.line, "class " + node.className + " not found");
        if (field && !cls->InheritsFrom(field->classType()))
            Fail(node.line, node.className + " does not match the field " + node.name + " of class " + field->classType().Name());
        TComponent* comp = nullptr;
        Guard(node.line, [&] {
            comp = cls->Create(&root_);
            comp->BeginLoading();
            loaded_.push_back(comp);
            comp->SetName(node.name);
        });
        if (field) field->assign(root_, comp);
        Guard(node.line, [&] { comp->SetParentComponent(&parent); });
        Apply(*comp, node.props);
        for (const auto& child : node.children) Create(*child, *comp);
        STARTUP_STEP("component read", node.name.c_str());
    }

    void Apply(TObject& obj, const std::vector<Property>& props)
    {
        for (const Property& p : props) Guard(p.line, [&] { Set(obj, p); });
    }

    void Set(TObject& start, const Property& p)
    {
        TObject* obj = &start;
        for (size_t i = 0; i + 1 < p.path.size(); ++i) {
            const TPropInfo& info = GetPropInfo(*obj, p.path[i]);
            if (info.kind != TTypeKind::Class) Fail(p.line, "property \"" + info.name + "\" has no properties");
            obj = GetObjectProp(*obj, info.name);
            if (!obj) Fail(p.line, "property \"" + info.name + "\" is empty");
        }
        const TPropInfo& info = GetPropInfo(*obj, p.path.back());
        const Value& v = p.value;
        auto wrong = [&] { return EReadError("Form resource line " + std::to_string(p.line) + ": bad value for property \"" + info.name + "\""); };
        switch (info.kind) {
        case TTypeKind::Integer: {
            std::int64_t n;
            if (v.kind == Value::Number && TryStrToInt64(v.text, n)) return SetPropValue(*obj, info.name, n);
            if (v.kind == Value::Ident && info.identToInt && info.identToInt(v.text, n)) return SetPropValue(*obj, info.name, n);
            throw wrong();
        }
        case TTypeKind::Enumeration:
            if (v.kind != Value::Ident) throw wrong();
            return SetPropText(*obj, info.name, v.text);
        case TTypeKind::Set: {
            if (v.kind != Value::Set) throw wrong();
            std::int64_t bits = 0;
            for (const std::string& name : v.items) {
                int bit = info.enumType->ValueOf(name);
                if (bit < 0 || bit >= 64) Fail(p.line, "\"" + name + "\" is not an element of property \"" + info.name + "\"");
                bits |= std::int64_t(1) << bit;
            }
            return SetPropValue(*obj, info.name, bits);
        }
        case TTypeKind::String:
            if (v.kind != Value::String) throw wrong();
            return SetPropValue(*obj, info.name, Utf8ToAnsi(v.text));
        case TTypeKind::WString:
            if (v.kind != Value::String) throw wrong();
            return SetPropValue(*obj, info.name, Utf8ToWide(v.text));
        case TTypeKind::Float:
            if (v.kind != Value::Number) throw wrong();
            return SetPropText(*obj, info.name, v.text);
        case TTypeKind::Binary:
            if (v.kind != Value::Binary) throw wrong();
            return SetPropValue(*obj, info.name, v.bytes);
        case TTypeKind::Method: {
            if (v.kind != Value::Ident) throw wrong();
            const THandlerInfo* h = root_.ClassType().FindHandler(v.text);
            if (!h) Fail(p.line, "handler " + v.text + " not found in " + root_.ClassName());
            TMethodValue m;
            m.handler = h->bind(root_);
            m.type = h->type;
            return SetPropValue(*obj, info.name, m);
        }
        case TTypeKind::Class:
            return SetObject(*obj, info, v, p.line);
        }
    }

    void SetObject(TObject& obj, const TPropInfo& info, const Value& v, int line)
    {
        if (!info.owned) {
            if (v.kind != Value::Ident) Fail(line, "property \"" + info.name + "\" takes a component name");
            if (!info.set) Fail(line, "property \"" + info.name + "\" is read-only");
            fixups_.push_back({&obj, &info, v.text, line});
            return;
        }
        TObject* target = GetObjectProp(obj, info.name);
        if (auto* list = dynamic_cast<TStrings*>(target); list && v.kind == Value::List) {
            list->BeginUpdate();
            list->Clear();
            for (const std::string& s : v.items) list->Add(Utf8ToAnsi(s));
            list->EndUpdate();
        } else if (auto* coll = dynamic_cast<TCollection*>(target); coll && v.kind == Value::Collection) {
            coll->Clear();
            for (const auto& item : v.collection) Apply(*coll->Add(), item);
        } else {
            Fail(line, "bad value for property \"" + info.name + "\"");
        }
    }

    void Resolve(const Fixup& f)
    {
        TObject* target = nullptr;
        if (!SameText(f.name, "nil")) {
            target = SameText(f.name, root_.Name()) ? &root_ : root_.FindComponent(f.name);
            if (!target) Fail(f.line, "component " + f.name + " not found for property \"" + f.prop->name + "\"");
        }
        Guard(f.line, [&] { f.prop->set(*f.object, target); });
    }

    TComponent& root_;
    std::vector<TComponent*> loaded_;
    std::vector<Fixup> fixups_;
};

} // namespace

void ReadComponentText(std::string_view text, TComponent& root)
{
    Parser parser(text);
    auto node = parser.Root();
    STARTUP_STEP("form text parsed", root.ClassName().c_str());
    Loader(root).Load(*node);
}

} // namespace cl
