#include <gtest/gtest.h>

#include <cmath>

#include "reader/tracciato.hpp"
#include "core/numeri.hpp"

namespace {

linea_tracciata seminata(std::int32_t estensione) {
    linea_tracciata l;
    crea_linea(l, estensione);
    semina_linea(l);
    return l;
}

TEST(PlanTracing, WithoutCurvesTheFirstStepsStraightLine) {
    linea_tracciata l = seminata(46000);
    completa_linea(l);
    EXPECT_EQ(l.metro, 45999);
    const punti_linea p = punti_di(l);
    ASSERT_EQ(p.x.size(), 45999u);
    for (std::int32_t m : {0, 1, 2, 1000, 45998}) {
        EXPECT_EQ(p.x[static_cast<std::size_t>(m)], 0.0) << m;
        EXPECT_EQ(p.y[static_cast<std::size_t>(m)], static_cast<double>(m)) << m;
    }
    EXPECT_EQ(genere_di(l, 0), genere_elemento::intero16);
    EXPECT_EQ(genere_di(l, 1), genere_elemento::intero16);
    EXPECT_EQ(genere_di(l, 2), genere_elemento::reale64);
    EXPECT_EQ(genere_di(l, 45998), genere_elemento::reale64);
    EXPECT_EQ(genere_di(l, 45999), genere_elemento::vuoto);
    EXPECT_EQ(genere_di(l, 46000), genere_elemento::vuoto);
}

TEST(PlanTracing, RightCurveOfClassSixGivesExactValues) {
    linea_tracciata l = seminata(100);
    ASSERT_EQ(traccia_curva(l, 2, 3, 0.003), esito_traccia::riuscita);
    EXPECT_EQ(l.metro, 6);
    const punti_linea p = punti_di(l);
    // The same operations, in the same order, in binary64.
    const double x3 = 0.0 + 0.0 + 0.003 * 1.0;
    const double y3 = 2.0 + 1.0 - 0.003 * 0.0;
    const double x4 = x3 + (x3 - 0.0) + 0.003 * (y3 - 2.0);
    const double y4 = y3 + (y3 - 2.0) - 0.003 * (x3 - 0.0);
    EXPECT_EQ(p.x[2], 0.0);
    EXPECT_EQ(p.y[2], 2.0);
    EXPECT_EQ(p.x[3], x3);
    EXPECT_EQ(p.y[3], y3);
    EXPECT_EQ(p.x[4], x4);
    EXPECT_EQ(p.y[4], y4);
    EXPECT_NEAR(p.x[4], 0.009, 1e-12);
    EXPECT_NEAR(p.y[4], 3.999991, 1e-12);
    EXPECT_NEAR(p.x[5], 0.017999973, 1e-12);
    EXPECT_NEAR(p.y[5], 4.999964, 1e-12);
}

double direzione(const linea_tracciata& l, std::int32_t m) {
    const punti_linea p = punti_di(l);
    const std::size_t i = static_cast<std::size_t>(m);
    return std::atan2(p.x[i] - p.x[i - 1], p.y[i] - p.y[i - 1]);
}

TEST(PlanTracing, OppositeConsecutiveCurvesCancelOut) {
    linea_tracciata l = seminata(5000);
    ASSERT_EQ(traccia_curva(l, 1700, 100, 0.003), esito_traccia::riuscita);
    EXPECT_EQ(l.metro, 1801);
    EXPECT_NEAR(direzione(l, 1800), 100 * std::atan(0.003), 1e-9);
    ASSERT_EQ(traccia_curva(l, 1800, 100, -0.003), esito_traccia::riuscita);
    EXPECT_EQ(l.metro, 1901);
    EXPECT_NEAR(direzione(l, 1900), 0.0, 1e-12);
    // The first metre of the second curve already turns back.
    EXPECT_LT(direzione(l, 1801), direzione(l, 1800));
}

TEST(PlanTracing, BackwardCurveTurnsFromThePointReached) {
    linea_tracciata l = seminata(5000);
    ASSERT_EQ(traccia_curva(l, 1000, 100, 0.003), esito_traccia::riuscita);
    ASSERT_EQ(traccia_curva(l, 500, 700, 0.001), esito_traccia::riuscita);
    EXPECT_EQ(l.metro, 1201);
    EXPECT_NEAR(direzione(l, 1200), 100 * std::atan(0.003) + 100 * std::atan(0.001), 1e-9);
}

TEST(PlanTracing, RecordLimits) {
    linea_tracciata corta = seminata(1000);
    EXPECT_THROW(traccia_curva(corta, 900, 200, 0.001), guasto_lettura);
    EXPECT_EQ(corta.metro, 1001);  // everything up to the last metre was traced, nothing beyond

    linea_tracciata lunga = seminata(1007000);
    EXPECT_EQ(traccia_curva(lunga, 1000000, 10, 0.001), esito_traccia::oltre_milione);
    EXPECT_EQ(lunga.metro, 1000001);
}

}  // namespace
