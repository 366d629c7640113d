#include <array>
#include <string_view>

#include "scenario/documenti.hpp"

namespace {

constexpr std::array<std::string_view, 40> righe_testo_note = {
    "AUTORE: Redazione Scenari Sorvanta",
    "INDIRIZZO EMAIL: redazione.scenari@example.org",
    "NUMERO PROGRESSIVO SCENARIO: 4",
    "DATA REALIZZAZIONE SCENARIO: 01.04.2001",
    "",
    "",
    "Il tracciato della linea, cio\xE8 l'andamento delle curve e la posizione delle pendenze e dei",
    "segnali, \xE8 stato ricostruito in modo da avvicinarsi il pi\xF9 possibile alla realt\xE0, senza per\xF2",
    "riprodurla fedelmente in ogni suo dettaglio. Sono invece esatte, nei limiti consentiti dal",
    "simulatore, le posizioni delle stazioni e degli otto passaggi a livello che si incontrano lungo",
    "il percorso.",
    "La linea \xE8 tortuosa e a semplice binario, con curve frequenti e spesso strette. Il primo tratto",
    "del percorso, tuttavia, non appartiene alla linea vera e propria: il treno parte sulla linea",
    "principale, che \xE8 a doppio binario, e la percorre fino al bivio. Qui, dove cambia anche la",
    "numerazione chilometrica, si dirama dalla linea principale e da quel punto in avanti prosegue a",
    "semplice binario fino al capolinea.",
    "Due stazioni che nella realt\xE0 sono semplici fermate, prive di segnale di partenza, ne sono state",
    "dotate nella simulazione, cos\xEC che tale segnale possa svolgere la funzione di un normale segnale",
    "di protezione. Inoltre una stazione che nella realt\xE0 \xE8 stata soppressa \xE8 ancora presente nella",
    "simulazione, dove il treno la incontra lungo il percorso e la trova attrezzata come tutte le",
    "altre stazioni della linea.",
    "Oggi la linea non \xE8 attrezzata con la ripetizione dei segnali in macchina, ma lo sar\xE0 a breve:",
    "per questo lo scenario la comprende gi\xE0, cos\xEC da rappresentare la linea come sar\xE0 tra poco. Chi",
    "desidera riprodurre la linea cos\xEC com'\xE8 oggi non deve far altro che disattivare la ripetizione",
    "dei segnali prima di partire.",
    "Il treno \xE8 un espresso che va dall'origine al capolinea con una sola fermata intermedia,",
    "necessaria per incrociare un altro treno che proviene dal capolinea e che occupa la linea a",
    "semplice binario. Tutti gli altri segnali sono disposti a via libera, non ci sono prescrizioni",
    "di rallentamento e l'aderenza \xE8 ottima lungo l'intero percorso: un treno condotto correttamente,",
    "rispettando i limiti di velocit\xE0 e la tabella oraria, giunge a destinazione con diversi minuti",
    "di anticipo sull'orario previsto dalla scheda treno.",
    "Anche in questo scenario tutti i nomi delle localit\xE0 sono riportati in due lingue.",
    "",
    "",
    "",
    "SCENARI PRECEDENTEMENTE REALIZZATI:",
    "",
    "Valmora_R2231",
    "Corvalle_R5308",
    "Lagonero_D2117",
};

}  // namespace

lista_righe righe_note(const stato_build&) {
    return lista_con_marcatore(righe_testo_note);
}
