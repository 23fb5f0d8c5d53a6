#include "support/json.h"

#include <cstdlib>
#include <stdexcept>

namespace rdstmc::test {
namespace {

class Reader {
public:
    explicit Reader(const std::string& text) : s_(text) {}

    Json Document() {
        Json v = Value();
        Space();
        if (at_ != s_.size()) Fail("text after the value");
        return v;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error("JSON: " + what + " at byte " + std::to_string(at_));
    }
    void Space() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\n' || s_[at_] == '\r' || s_[at_] == '\t')) ++at_;
    }
    bool Take(char c) {
        Space();
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    void Expect(char c) {
        if (!Take(c)) Fail(std::string("'") + c + "' expected");
    }
    bool Word(const char* w) {
        const std::string word(w);
        if (s_.compare(at_, word.size(), word) != 0) return false;
        at_ += word.size();
        return true;
    }
    Json Value() {
        Space();
        Json v;
        if (at_ >= s_.size()) Fail("a value expected");
        const char c = s_[at_];
        if (c == '{') {
            v.type = Json::Type::Object;
            ++at_;
            if (Take('}')) return v;
            do {
                Space();
                const std::string key = String();
                Expect(':');
                v.object[key] = Value();
            } while (Take(','));
            Expect('}');
        } else if (c == '[') {
            v.type = Json::Type::Array;
            ++at_;
            if (Take(']')) return v;
            do v.array.push_back(Value());
            while (Take(','));
            Expect(']');
        } else if (c == '"') {
            v.type = Json::Type::String;
            v.string = String();
        } else if (Word("true") || Word("false")) {
            v.type = Json::Type::Bool;
            v.boolean = s_[at_ - 1] == 'e' && s_[at_ - 2] == 'u';
        } else if (Word("null")) {
            v.type = Json::Type::Null;
        } else {
            char* end = nullptr;
            v.type = Json::Type::Number;
            v.number = std::strtod(s_.c_str() + at_, &end);
            if (end == s_.c_str() + at_) Fail("a value expected");
            at_ = static_cast<size_t>(end - s_.c_str());
        }
        return v;
    }
    std::string String() {
        if (at_ >= s_.size() || s_[at_] != '"') Fail("a string expected");
        ++at_;
        std::string out;
        while (at_ < s_.size() && s_[at_] != '"') {
            char c = s_[at_++];
            if (static_cast<unsigned char>(c) < 0x20) Fail("a control character in a string");
            if (c == '\\') {
                if (at_ >= s_.size()) Fail("an unfinished escape");
                c = s_[at_++];
                switch (c) {
                    case 'n': out += '\n'; break;
                    case 't': out += '\t'; break;
                    case 'r': out += '\r'; break;
                    case 'b': out += '\b'; break;
                    case 'f': out += '\f'; break;
                    case 'u': {
                        const unsigned cp = static_cast<unsigned>(std::stoul(s_.substr(at_, 4), nullptr, 16));
                        at_ += 4;
                        if (cp < 0x80) out += static_cast<char>(cp);
                        else out += "?";
                        break;
                    }
                    default: out += c;
                }
            } else {
                out += c;
            }
        }
        if (at_ >= s_.size()) Fail("an unfinished string");
        ++at_;
        return out;
    }

    const std::string& s_;
    size_t at_ = 0;
};

}  // namespace

const Json& Json::operator[](const std::string& key) const {
    const auto it = object.find(key);
    if (it == object.end()) throw std::runtime_error("JSON: no member \"" + key + "\"");
    return it->second;
}

const Json& Json::operator[](size_t index) const {
    if (index >= array.size()) throw std::runtime_error("JSON: no element " + std::to_string(index));
    return array[index];
}

Json Json::Parse(const std::string& text) { return Reader(text).Document(); }

}  // namespace rdstmc::test
