#include "timetable/train_file.hpp"

#include <cmath>
#include <optional>
#include <string_view>
#include <toml++/toml.h>

namespace {

struct reading {
    const std::string& file;
    std::string error;
};

std::string at(const reading& r, const toml::source_region& where, std::string_view key, const std::string& what) {
    std::string s = r.file;
    if (where.begin.line > 0) s += ":" + std::to_string(where.begin.line);
    return s + ": " + std::string(key) + ": " + what;
}

// Where a missing key should have stood: its table, when that exists.
const toml::source_region& place_of_missing(const toml::table& t, std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot != std::string_view::npos)
        if (const toml::node* parent = t.at_path(path.substr(0, dot)).node()) return parent->source();
    return t.source();
}

// A number (integer or float) at `path`; nullopt after setting the error when missing or not a number.
std::optional<double> number(reading& r, const toml::table& t, std::string_view path, bool required = true) {
    const toml::node* n = t.at_path(path).node();
    if (!n) {
        if (required && r.error.empty()) r.error = at(r, place_of_missing(t, path), path, "missing");
        return std::nullopt;
    }
    std::optional<double> v = n->value<double>();
    if (!v || !std::isfinite(*v)) {
        if (r.error.empty()) r.error = at(r, n->source(), path, "must be a number");
        return std::nullopt;
    }
    return v;
}

std::vector<double> numbers(reading& r, const toml::table& t, std::string_view path) {
    std::vector<double> out;
    const toml::node* n = t.at_path(path).node();
    if (!n) {
        if (r.error.empty()) r.error = at(r, place_of_missing(t, path), path, "missing");
        return out;
    }
    const toml::array* a = n->as_array();
    if (!a || a->empty()) {
        if (r.error.empty()) r.error = at(r, n->source(), path, "must be an array of numbers");
        return out;
    }
    for (const toml::node& e : *a) {
        std::optional<double> v = e.value<double>();
        if (!v || !std::isfinite(*v)) {
            if (r.error.empty()) r.error = at(r, e.source(), path, "must hold only numbers");
            return {};
        }
        out.push_back(*v);
    }
    return out;
}

// A value that breaks a rule: the error points at its key.
void refuse(reading& r, const toml::table& t, std::string_view path, const std::string& what) {
    if (!r.error.empty()) return;
    const toml::node* n = t.at_path(path).node();
    r.error = at(r, n ? n->source() : t.source(), path, what);
}

}  // namespace

bool read_train_model(const std::string& file, const std::string& text, train_model& m, std::string& error) {
    reading r{file, {}};
    toml::table t;
    try {
        t = toml::parse(text, file);
    } catch (const toml::parse_error& e) {
        error = at(r, e.source(), "", std::string("not TOML: ") + std::string(e.description()));
        error.replace(error.find(": : "), 4, ": ");
        return false;
    }
    train_model out;
    if (const toml::node* n = t.get("name"); n && n->value<std::string>()) out.name = *n->value<std::string>();
    const auto mass = number(r, t, "mass_t");
    const auto factor = number(r, t, "rotating_mass_factor");
    const auto length = number(r, t, "length_m");
    const auto vmax = number(r, t, "max_speed_kmh");
    const auto a = number(r, t, "resistance.a_kn");
    const auto b = number(r, t, "resistance.b_kn_per_kmh");
    const auto c = number(r, t, "resistance.c_kn_per_kmh2");
    out.traction_speed_kmh = numbers(r, t, "traction.speed_kmh");
    out.traction_force_kn = numbers(r, t, "traction.force_kn");
    const auto adhesive = number(r, t, "traction.adhesive_mass_t", false);
    const auto decel = number(r, t, "braking.deceleration_ms2");
    if (r.error.empty()) {
        out.mass_t = *mass;
        out.rotating_mass_factor = *factor;
        out.length_m = *length;
        out.max_speed_kmh = *vmax;
        out.resistance_a_kn = *a;
        out.resistance_b_kn_per_kmh = *b;
        out.resistance_c_kn_per_kmh2 = *c;
        out.adhesive_mass_t = adhesive;
        out.deceleration_ms2 = *decel;
        if (!(out.mass_t > 0)) refuse(r, t, "mass_t", "must be above 0");
        if (!(out.rotating_mass_factor >= 1)) refuse(r, t, "rotating_mass_factor", "must be 1 or more");
        if (!(out.length_m >= 0)) refuse(r, t, "length_m", "must be 0 or more");
        if (!(out.max_speed_kmh > 0)) refuse(r, t, "max_speed_kmh", "must be above 0");
        if (!(out.deceleration_ms2 > 0)) refuse(r, t, "braking.deceleration_ms2", "must be above 0");
        if (out.adhesive_mass_t && !(*out.adhesive_mass_t > 0)) refuse(r, t, "traction.adhesive_mass_t", "must be above 0");
        if (out.traction_speed_kmh.size() != out.traction_force_kn.size())
            refuse(r, t, "traction.force_kn", "must have as many values as traction.speed_kmh");
        for (std::size_t i = 1; i < out.traction_speed_kmh.size(); ++i)
            if (!(out.traction_speed_kmh[i] > out.traction_speed_kmh[i - 1]))
                refuse(r, t, "traction.speed_kmh", "must increase from value to value");
        for (double f : out.traction_force_kn)
            if (f < 0) refuse(r, t, "traction.force_kn", "must hold no negative force");
    }
    if (r.error.empty()) {
        const std::string problem = model_problem(out);
        if (!problem.empty()) refuse(r, t, "traction.force_kn", problem);
    }
    if (!r.error.empty()) {
        error = r.error;
        return false;
    }
    m = std::move(out);
    return true;
}
