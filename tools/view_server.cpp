#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/platform.hpp"
#include "tools/view.hpp"

namespace {

// What the served page sees: the data of the last reading, and its version.
struct stato_vista {
    std::mutex guardia;
    std::condition_variable cambiato;
    std::string dati;
    std::uint64_t versione = 0;
    bool fine = false;
};

// When a description was last changed, as far as the file system tells: its time and size.
struct impronta {
    std::filesystem::file_time_type quando{};
    std::uintmax_t dimensione = 0;
    bool esiste = false;
    bool operator==(const impronta&) const = default;
};

impronta impronta_di(const std::string& file) {
    impronta i;
    std::error_code ec;
    i.quando = std::filesystem::last_write_time(file, ec);
    if (ec) return i;
    i.dimensione = std::filesystem::file_size(file, ec);
    i.esiste = !ec;
    return i;
}

}  // namespace

int serve_view_here(const view_sources& q, int port, bool open_browser) {
    stato_vista stato;
    {
        const view_data d = build_view_data(q, 1);
        stato.dati = d.json;
        stato.versione = 1;
    }

    httplib::Server server;
    int porta_scelta = 0;
    server.set_keep_alive_max_count(100);
    server.set_payload_max_length(1 << 16);
    // No shared use of the port: a second server on a port already served must fail to bind.
    server.set_socket_options([](auto) {});
    server.set_pre_routing_handler([&](const httplib::Request& req, httplib::Response& res) {
        const int rifiuto = refused_request(req.method, req.path, req.get_header_value("Host"), porta_scelta);
        if (rifiuto == 0) return httplib::Server::HandlerResponse::Unhandled;
        res.status = rifiuto;
        if (rifiuto == 405) res.set_header("Allow", "GET, HEAD");
        res.set_content(rifiuto == 403 ? "refused: this server answers only http://127.0.0.1:" + std::to_string(porta_scelta) + "/\n"
                        : rifiuto == 404 ? std::string("not found\n")
                                         : std::string("only GET\n"),
                        "text/plain");
        return httplib::Server::HandlerResponse::Handled;
    });
    server.Get("/", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("Cache-Control", "no-store");
        res.set_content(view_page(nullptr), "text/html; charset=utf-8");
    });
    server.Get("/data.json", [&](const httplib::Request&, httplib::Response& res) {
        std::string dati;
        {
            std::lock_guard<std::mutex> l(stato.guardia);
            dati = stato.dati;
        }
        res.set_header("Cache-Control", "no-store");
        // With its charset the data is sent as it is: the library leaves such a type uncompressed,
        // and brotli, which browsers ask for, takes seconds on the data of a long line.
        res.set_content(dati, "application/json; charset=utf-8");
    });
    server.Get("/events", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("Cache-Control", "no-store");
        auto inviata = std::make_shared<std::uint64_t>(0);
        res.set_chunked_content_provider("text/event-stream", [&stato, inviata](std::size_t, httplib::DataSink& sink) {
            std::unique_lock<std::mutex> l(stato.guardia);
            if (*inviata == 0) *inviata = stato.versione;
            stato.cambiato.wait_for(l, std::chrono::seconds(10), [&] { return stato.fine || stato.versione != *inviata; });
            if (stato.fine) return false;
            std::string messaggio;
            if (stato.versione != *inviata) {
                *inviata = stato.versione;
                messaggio = "event: reload\ndata: " + std::to_string(stato.versione) + "\n\n";
            } else {
                messaggio = ": still here\n\n";
            }
            l.unlock();
            // A closed browser ends this stream; the server goes on.
            return sink.is_writable() && sink.write(messaggio.data(), messaggio.size());
        });
    });

    if (port == 0) {
        porta_scelta = server.bind_to_any_port("127.0.0.1");
        if (porta_scelta <= 0) {
            platform::report_failure("cannot listen on 127.0.0.1: no free port");
            return 1;
        }
    } else {
        if (!server.bind_to_port("127.0.0.1", port)) {
            platform::report_failure("cannot listen on 127.0.0.1:" + std::to_string(port) +
                                     ": the port is in use or not allowed");
            return 1;
        }
        porta_scelta = port;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(porta_scelta) + "/";
    platform::report_note("serving " + url + " (Ctrl+C to stop); the page follows every save of " + q.line_file +
                          " and " + q.service_file);

    // The descriptions are looked at four times a second and read again when one changed.
    std::thread osservatore([&] {
        impronta linea = impronta_di(q.line_file), servizio = impronta_di(q.service_file);
        for (;;) {
            {
                std::unique_lock<std::mutex> l(stato.guardia);
                if (stato.cambiato.wait_for(l, std::chrono::milliseconds(250), [&] { return stato.fine; })) return;
            }
            const impronta nuova_linea = impronta_di(q.line_file), nuovo_servizio = impronta_di(q.service_file);
            if (nuova_linea == linea && nuovo_servizio == servizio) continue;
            linea = nuova_linea;
            servizio = nuovo_servizio;
            std::uint64_t versione;
            {
                std::lock_guard<std::mutex> l(stato.guardia);
                versione = stato.versione + 1;
            }
            view_data d = build_view_data(q, versione);
            std::lock_guard<std::mutex> l(stato.guardia);
            stato.dati = std::move(d.json);
            stato.versione = versione;
            stato.cambiato.notify_all();
        }
    });
    if (open_browser) platform::open_in_browser(url);
    server.listen_after_bind();
    {
        std::lock_guard<std::mutex> l(stato.guardia);
        stato.fine = true;
        stato.cambiato.notify_all();
    }
    osservatore.join();
    return 0;
}

