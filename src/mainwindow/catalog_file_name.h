// The names the file dialogs return, completed to catalogue file names.
#ifndef QUORVEL_MAINWINDOW_CATALOG_FILE_NAME_H_
#define QUORVEL_MAINWINDOW_CATALOG_FILE_NAME_H_

#include <QString>

namespace quorvel {

// `name` with ".qrv" appended unless its last four characters already are ".qrv" in any case:
// cat -> cat.qrv, CAT.QRV stays, a.qrv.bak -> a.qrv.bak.qrv, qrv -> qrv.qrv.
QString CompleteCatalogName(const QString& name);

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_CATALOG_FILE_NAME_H_
