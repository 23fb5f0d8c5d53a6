// A small JSON reader for the tests, so output is checked by its structure,
// not as text. Throws std::runtime_error on anything that is not JSON.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace rdstmc::test {

struct Json {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<Json> array;
    std::map<std::string, Json> object;

    // A member of an object; throws when there is none.
    const Json& operator[](const std::string& key) const;
    const Json& operator[](size_t index) const;
    bool Has(const std::string& key) const { return object.count(key) != 0; }

    static Json Parse(const std::string& text);
};

}  // namespace rdstmc::test
