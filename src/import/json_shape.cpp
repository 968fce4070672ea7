#include "import/json_shape.h"

#include <nlohmann/json.hpp>

#include "import/import_limits.h"

namespace keyloft {
namespace {

// nlohmann's SAX parser keeps its own state in a vector, not on the call stack: deep input is
// walked without recursion, and this stops it at the limit.
class ShapeReader final : public nlohmann::json_sax<nlohmann::json> {
  public:
    explicit ShapeReader(JsonShape& shape) : shape_(shape) {}

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool start_object(std::size_t) override { return open('{'); }
    bool start_array(std::size_t) override { return open('['); }
    bool end_object() override { return --depth_, true; }
    bool end_array() override { return --depth_, true; }
    bool key(string_t& name) override {
        if (depth_ == 1 && shape_.top == '{' && shape_.keys.size() < kMaxKeysKept)
            shape_.keys.push_back(name);
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }
    bool tooDeep() const { return tooDeep_; }

  private:
    static constexpr std::size_t kMaxKeysKept = 100;

    bool open(char kind) {
        if (depth_ == 0) shape_.top = kind;
        if (++depth_ > kMaxImportNesting) {
            tooDeep_ = true;
            return false;
        }
        return true;
    }

    JsonShape& shape_;
    std::size_t depth_ = 0;
    bool tooDeep_ = false;
};

}  // namespace

JsonShape ReadJsonShape(std::string_view text) {
    JsonShape shape;
    ShapeReader reader(shape);
    const bool read = nlohmann::json::sax_parse(text.begin(), text.end(), &reader);
    shape.outcome = reader.tooDeep() ? JsonShape::Outcome::TooDeep
                    : read           ? JsonShape::Outcome::Read
                                     : JsonShape::Outcome::NotJson;
    return shape;
}

}  // namespace keyloft
