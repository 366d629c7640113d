// The viewer's server answers only its own page and data, on the loopback address; its page
// carries the data of a shared file without ending its script early.
#include <gtest/gtest.h>

#include <string>

#include "tools/view.hpp"

TEST(ViewServer, RefusesEverythingButItsOwnPageAndData) {
    const struct {
        const char* method;
        const char* path;
        const char* host;
        int status;
    } cases[] = {
        {"GET", "/", "127.0.0.1:8080", 0},
        {"GET", "/data.json", "127.0.0.1:8080", 0},
        {"GET", "/events", "localhost:8080", 0},
        {"HEAD", "/", "127.0.0.1:8080", 0},
        {"GET", "/../etc/passwd", "127.0.0.1:8080", 404},
        {"GET", "/%2e%2e/etc/passwd", "127.0.0.1:8080", 404},
        {"GET", "/data.json/..", "127.0.0.1:8080", 404},
        {"GET", "/favicon.ico", "127.0.0.1:8080", 404},
        {"GET", "//data.json", "127.0.0.1:8080", 404},
        {"POST", "/data.json", "127.0.0.1:8080", 405},
        {"PUT", "/", "127.0.0.1:8080", 405},
        {"OPTIONS", "/", "127.0.0.1:8080", 405},
        {"GET", "/", "evil.example:8080", 403},
        {"GET", "/", "127.0.0.1.evil.example:8080", 403},
        {"GET", "/", "127.0.0.1:8081", 403},
        {"GET", "/", "127.0.0.1", 403},
        {"GET", "/", "", 403},
        {"GET", "/", "[::1]:8080", 403},
        {"POST", "/", "evil.example:8080", 403},  // a foreign host first, whatever it asks
    };
    for (const auto& c : cases)
        EXPECT_EQ(refused_request(c.method, c.path, c.host, 8080), c.status) << c.method << " " << c.path << " " << c.host;
}

TEST(ViewServer, TheSharedPageCarriesItsDataWithoutEndingTheScript) {
    const std::string data = R"({"name":"</script><script>alert(1)</script>"})";
    const std::string page = view_page(&data);
    EXPECT_EQ(page.find("</script><script>alert"), std::string::npos);
    EXPECT_NE(page.find(R"(<\/script><script>alert(1)<\/script>)"), std::string::npos);
    EXPECT_EQ(view_page(nullptr).find("/*DATA*/"), std::string::npos) << "the served page has no data of its own";
}
