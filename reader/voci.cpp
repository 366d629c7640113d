#include "reader/voci.hpp"

#include <array>
#include <cstdint>

#include "core/testo.hpp"

namespace {

constexpr std::int64_t i32_min = INT32_MIN;
constexpr std::int64_t i32_max = INT32_MAX;
constexpr std::int64_t i16_min = INT16_MIN;
constexpr std::int64_t i16_max = INT16_MAX;

campo_voce n32(const char* nome, const char* unita, const char* spiegazione) {
    return {nome, genere_campo::numero, 32, unita, i32_min, i32_max, fuori_campo::niente, spiegazione};
}
campo_voce n16(const char* nome, const char* unita, const char* spiegazione) {
    return {nome, genere_campo::numero, 16, unita, i16_min, i16_max, fuori_campo::stato_25, spiegazione};
}
campo_voce n8(const char* nome, const char* spiegazione) {
    return {nome, genere_campo::numero, 8, "", 0, 255, fuori_campo::stato_25, spiegazione};
}
campo_voce posizione(const char* nome = "position") {
    return {nome, genere_campo::numero, 32, "m", 0, i32_max, fuori_campo::stato_proprio,
            "position along the line; beyond the route: status 15"};
}
campo_voce cifra(const char* nome, const char* spiegazione) {
    return {nome, genere_campo::numero, 32, "", 0, 9, fuori_campo::cifre, spiegazione};
}
campo_voce testo(const char* nome, const char* spiegazione) {
    return {nome, genere_campo::testo, 0, "", 0, 0, fuori_campo::niente, spiegazione};
}
// The three kilometre references read the same fields.
std::vector<campo_voce> campi_progressiva() {
    return {n32("start", "m", "where the reference applies; a multiple of 50, or status 2"),
            n32("chainage", "m", "the kilometre value there; a multiple of 50, or status 2"),
            {"flag", genere_campo::numero, 32, "", 0, 1, fuori_campo::niente, "1 adds 100 m to the chainage"}};
}

}  // namespace

const std::vector<voce>& voci_di(parte_voce p) {
    static const std::vector<voce> generale = {
        {chiave_voce::lunghezza_percorso, parte_voce::generale, "lunghezza percorso", "percorso", "lunghezza", false,
         {{"length", genere_campo::numero, 32, "m", 0, 1000000, fuori_campo::stato_proprio,
           "line length; above 1000000: status 1, below 0: status 25"}},
         "the line's length; it sizes the route and must come before every feature"},
        {chiave_voce::progressiva_tre, parte_voce::generale, "progressiva chilometrica tre", "tre", "progressiva", true, campi_progressiva(),
         "kilometre reference three"},
        {chiave_voce::progressiva_due, parte_voce::generale, "progressiva chilometrica due", "due", "progressiva", true, campi_progressiva(),
         "kilometre reference two"},
        {chiave_voce::progressiva_uno, parte_voce::generale, "progressiva chilometrica uno", "uno", "progressiva", true, campi_progressiva(),
         "kilometre reference one"},
        {chiave_voce::sfondo_uno, parte_voce::generale, "sfondo uno", "sfondo", "uno", true, {n32("value", "", "background setting one")},
         "background setting one"},
        {chiave_voce::sfondo_due, parte_voce::generale, "sfondo due", "sfondo", "due", true, {n32("value", "", "background setting two")},
         "background setting two"},
        {chiave_voce::sfondo_tre, parte_voce::generale, "sfondo tre", "sfondo", "tre", true, {n32("value", "", "background setting three")},
         "background setting three"},
        {chiave_voce::ripetizione_segnali, parte_voce::generale, "ripetizione segnali 4 codici", "segnali", "ripetizione", true,
         {n32("start", "m", "a multiple of 50, or status 3"), n32("end", "m", "a multiple of 50, or status 4; 0: none")},
         "signal repetition with 4 (or 9) codes"},
    };
    static const std::vector<voce> caratteristiche = {
        {chiave_voce::pendenza, parte_voce::caratteristiche, "pendenza", "pendenza", nullptr, false,
         {posizione(),
          {"gradient", genere_campo::numero, 32, "per mille", -100, 155, fuori_campo::bassi_bit,
           "stored as gradient + 100 in 8 bits"}},
         "the gradient from this position on"},
        {chiave_voce::curva, parte_voce::caratteristiche, "curvas6", "curva", nullptr, false,
         {posizione("start"), n32("length", "m", "start + length must stay within the line + 7000 m")},
         "a curve; s turns left, the digit 1 to 6 is the class"},
        {chiave_voce::montagna, parte_voce::caratteristiche, "montagna", "montagna", nullptr, false,
         {posizione("start"), n32("end", "m", "the stretch's end"),
          {"kind", genere_campo::numero, 32, "", 0, 265, fuori_campo::bassi_bit,
           "mountain kind; above 10: kind - 10 with markers; stored in 8 bits"}},
         "a mountain stretch"},
        {chiave_voce::indicatori_vmax, parte_voce::caratteristiche, "indicatori_vmax", "indicatori_v", nullptr, false,
         {posizione(), n32("vas", "km/h", "left speed a"), n32("vbs", "km/h", "left speed b"),
          n32("vcs", "km/h", "left speed c"), n32("strisces", "", "left stripes"),
          n32("vad", "km/h", "right speed a"), n32("vbd", "km/h", "right speed b"),
          n32("vcd", "km/h", "right speed c"), n32("strisced", "", "right stripes")},
         "a pair of speed indicator boards; 20 x left speed + right speed / 5 must fit 16 bits (status 25), "
         "10 x left stripes + right stripes keeps its low 16 bits"},
        {chiave_voce::cartello_indicatore, parte_voce::caratteristiche, "cartello_indicatore", "cartello", "indicat", false,
         {posizione(), testo("text", "the sign's lines, each in parentheses")},
         "a sign board"},
    };
    static const std::vector<voce> servizio = {
        {chiave_voce::massa_frenata, parte_voce::servizio, "percentuale massa frenata", "frenata", "massa", false,
         {n32("percentage", "%", "braked-mass percentage")}, "braked-mass percentage"},
        {chiave_voce::vetture, parte_voce::servizio, "numero vetture", "vetture", nullptr, false, {n32("count", "", "number of coaches")},
         "number of coaches"},
        {chiave_voce::velocita, parte_voce::servizio, "velocita", "velocit", nullptr, false,
         {posizione(),
          {"speed", genere_campo::numero, 32, "km/h", 0, 1277, fuori_campo::stato_25,
           "stored as speed / 5 in 8 bits"}},
         "the speed limit from this position on"},
        {chiave_voce::aderenza, parte_voce::servizio, "aderenza", "aderenza", nullptr, false,
         {posizione(),
          {"adhesion", genere_campo::numero, 32, "", 0, 255, fuori_campo::bassi_bit, "stored in 8 bits"}},
         "the adhesion from this position on"},
        {chiave_voce::orologio, parte_voce::servizio, "orologio", "orologio", nullptr, false,
         {n16("hours", "h", "start clock"), n16("minutes", "min", "start clock"), n16("seconds", "s", "start clock")},
         "the start clock"},
        {chiave_voce::sabbia, parte_voce::servizio, "sabbia", "sabbia", nullptr, false, {n16("sand", "", "sand supply")}, "sand supply"},
        {chiave_voce::segnale, parte_voce::servizio, "segnale", "segnale", nullptr, false,
         {posizione(), cifra("sx", "left signal kind, 0 to 2"), cifra("s1", "left value 1"), cifra("s2", "left value 2"),
          cifra("s3", "left value 3"),
          {"rapp", genere_campo::numero, 32, "", 0, 3276, fuori_campo::stato_25, "packed as rapp x 10 + kinds"},
          cifra("dx", "right signal kind, 0 to 2"), cifra("d1", "right value 1"), cifra("d2", "right value 2"),
          cifra("d3", "right value 3"),
          {"tempo", genere_campo::numero, 32, "s", 0, 255, fuori_campo::bassi_bit,
           "0 or 101 to 255 (1 to 100 become 101); stored in 8 bits when sx is 2"}},
         "a signal"},
        {chiave_voce::rallentamento, parte_voce::servizio, "rallentamento", "rallentamento", nullptr, false,
         {posizione("x"),
          {"v", genere_campo::numero, 32, "km/h", i16_min, i16_max, fuori_campo::bassi_bit, "slowdown speed, 16 bits"},
          n32("l", "m", "length"),
          {"f_tt", genere_campo::numero, 32, "", i16_min, i16_max, fuori_campo::bassi_bit, "16 bits"},
          n32("f_ta", "", "not 0: four pre-warning cells"),
          {"d_v", genere_campo::numero, 32, "", i16_min, i16_max, fuori_campo::bassi_bit, "16 bits"}},
         "a slowdown"},
        {chiave_voce::abbattimento, parte_voce::servizio, "abbattimento", "abbattimento", nullptr, false,
         {posizione(),
          {"value", genere_campo::numero, 32, "km/h", i32_min, i16_max, fuori_campo::bassi_bit,
           "above 0: the board's speed, 16 bits"}},
         "a speed board"},
        {chiave_voce::stazione, parte_voce::servizio, "stazione", "stazione", nullptr, false,
         {{"position", genere_campo::numero, 32, "m", 0, i32_max, fuori_campo::stato_proprio,
           "a multiple of 50 (status 8); (position + 800) / 50 within the route (status 15)"},
          n8("type", "station type"),
          n32("length", "m", "a multiple of 100, or status 9"), n8("f4", "field 4"), n8("f5", "field 5"),
          n8("f6", "field 6; not 0: the end lies 50 m further"), n16("f7", "", "field 7"), n16("f8", "", "field 8"),
          n8("f9", "field 9"), n16("f10", "", "field 10"), n16("f11", "", "field 11"), n16("f12", "", "field 12"),
          n8("stop", "stop value"), n32("hours", "h", "timetable"), n32("minutes", "min", "timetable"),
          n32("seconds", "s", "timetable; (h x 60 + min) x 60 + s must fit 32 bits"),
          testo("name", "the station's name, without commas")},
         "a station with its timetable"},
    };
    switch (p) {
        case parte_voce::generale: return generale;
        case parte_voce::caratteristiche: return caratteristiche;
        case parte_voce::servizio: break;
    }
    return servizio;
}

const std::vector<const char*>& intestazioni_di(quale_file f) {
    static const std::vector<const char*> linea = {"[generale]", "[curve]",   "[pendenze]",   "[montagne]",
                                                   "[cartelli]", "[indicazioni]", "[fine]"};
    static const std::vector<const char*> servizio = {"[generale]",      "[aderenze]", "[vel_limite]", "[stazioni]",
                                                      "[rallentamenti]", "[segnali]",  "[codici]",     "[fine]"};
    return f == quale_file::linea ? linea : servizio;
}

const voce& voce_di(chiave_voce c) {
    // Looked up for every keyword field: an index by name, made once.
    static const std::array<const voce*, static_cast<std::size_t>(chiave_voce::stazione) + 1> indice = [] {
        std::array<const voce*, static_cast<std::size_t>(chiave_voce::stazione) + 1> r{};
        for (parte_voce p : {parte_voce::generale, parte_voce::caratteristiche, parte_voce::servizio})
            for (const voce& v : voci_di(p)) r[static_cast<std::size_t>(v.chiave)] = &v;
        return r;
    }();
    const voce* v = indice[static_cast<std::size_t>(c)];
    return v ? *v : voci_di(parte_voce::servizio).back();  // every name has its entry
}

bool riconosce(const voce& v, std::string_view campo, std::string_view minuscolo) {
    auto ha = [&](const char* t) { return contiene(v.maiuscole_esatte ? campo : minuscolo, t); };
    return ha(v.testo) && (v.anche == nullptr || ha(v.anche));
}

bool riconosce(const voce& v, std::string_view campo) {
    auto ha = [&](const char* t) { return v.maiuscole_esatte ? contiene(campo, t) : contiene_nc(campo, t); };
    return ha(v.testo) && (v.anche == nullptr || ha(v.anche));
}
