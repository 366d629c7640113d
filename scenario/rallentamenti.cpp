#include <array>
#include <string_view>

#include "scenario/documenti.hpp"

namespace {

// The scenario prescribes no slowdown, and the notice says just that.
constexpr std::array<std::string_view, 4> righe_avviso = {
    "",
    "",
    "",
    "                  NESSUNA PRESCRIZIONE",
};

}  // namespace

lista_righe righe_rallentamenti(const stato_build&) {
    return lista_con_marcatore(righe_avviso);
}
