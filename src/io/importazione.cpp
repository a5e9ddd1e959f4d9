#include "io/importazione.h"

namespace gm {

Importazione::Importazione(Nucleo& n, Ricerca& ric) : n(n), ric(ric) {}
void Importazione::collega() {}
void Importazione::RicercaNomeFileDaImportare() {}
void Importazione::CaricaListaFile() {}
void Importazione::drvList_Change() {}
void Importazione::dirList_Change() {}
void Importazione::cmdRinuncia_Click() {}
void Importazione::lstFile_Click() {}
void Importazione::mfgImp_Click() {}
void Importazione::ImportaFile() {}
bool Importazione::ImportaTabella(const QString&, const QString&, QString* errore) {
    if (errore) *errore = QStringLiteral("Importazione non disponibile");
    return false;
}

}  // namespace gm
