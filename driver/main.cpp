#include "driver/costruzione.hpp"
#include "platform/platform.hpp"

int main() {
    try {
        platform::end_program(Form_Load(platform::program_folder()));
    } catch (const platform::file_error& e) {
        platform::report_failure(e.message);
    } catch (const errore_esecuzione& e) {
        platform::report_failure(e.messaggio);
    }
    platform::end_program(1);
}
