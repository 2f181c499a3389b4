// The names the file dialogs return, completed to catalogue file names, and the folder they
// start in.
#ifndef QUORVEL_MAINWINDOW_CATALOG_FILE_NAME_H_
#define QUORVEL_MAINWINDOW_CATALOG_FILE_NAME_H_

#include <QString>

namespace quorvel {

class CatalogDocument;

// `name` with ".qrv" appended unless its last four characters already are ".qrv" in any case:
// cat -> cat.qrv, CAT.QRV stays, a.qrv.bak -> a.qrv.bak.qrv, qrv -> qrv.qrv.
QString CompleteCatalogName(const QString& name);

// The folder of the open catalogue's file; empty when none is open or the folder is gone.
QString CatalogFolder(const CatalogDocument& document);

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_CATALOG_FILE_NAME_H_
