// The page fetcher: one web page, given its full URL, into the page text sTestoPagina.
#pragma once

#include <QString>

namespace gm {

struct Ambiente;
struct Controlli;
class Avanzamento;

class PaginaWeb {
public:
    PaginaWeb(Controlli& c, Avanzamento& av, const Ambiente& amb);

    // Text of the last fetched page; empty when no route delivered it.
    QString sTestoPagina;

    void EstrazionePaginadaInternet(const QString& Url);

private:
    Controlli& c;
    Avanzamento& av;
    const Ambiente& amb;
};

}  // namespace gm
