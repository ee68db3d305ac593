#pragma once
// "Download Address Book": choose a book and an online call station, review
// and change the book's groups and devices on three tabs, delete books,
// download the chosen book into the station or clear the station's book.
// Transfers run on the protocol worker; while one runs, the book and device
// choice, Delete, Download and the lists are disabled and the dialog does
// not close. Results come back through transferDone().
#include <QDialog>

#include <deque>
#include <vector>

#include "addrbook/AddrBook.h"
#include "addrbook/BookGrid.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace aulira {
class ProtocolWorker;
}

namespace aulira::app {

class AddrBookDownloadDlg : public QDialog {
    Q_OBJECT
public:
    // books is the program's book list, changed in place; groups and devices
    // are what the lists show.
    AddrBookDownloadDlg(AddrBookList& books, GroupList groups, DeviceList& list, ProtocolWorker& worker,
                        QWidget* parent = nullptr);

    // Whether a book was changed or deleted: the book file must be saved.
    bool changed() const { return changed_; }
    bool busy() const { return !pending_.empty(); }

    QComboBox* bookCombo() const { return books_; }
    QComboBox* deviceCombo() const { return devices_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* downloadButton() const { return download_; }
    QPushButton* clearButton() const { return clear_; }
    QTabWidget* tabs() const { return tabs_; }
    BookGrid* groupGrid() const { return groupGrid_; }
    BookGrid* castGrid() const { return castGrid_; }
    BookGrid* callGrid() const { return callGrid_; }
    QLabel* statusLabel() const { return status_; }

public slots:
    void deleteBook();
    void downloadBook();
    void clearBook();
    // The worker's report of the oldest transfer still running.
    void transferDone(bool download, int result);
    void reject() override;

private:
    struct Transfer {
        bool download;
        QString book; // empty for a clearing
        QString station;
    };

    void showBook(int index);
    void rebuildBook();
    void setBusy(bool busy);
    void setStatus(const QString& text, bool failed);
    AddrBook_Type* currentBook();
    DeviceItemPtr currentDevice() const;
    bool refuseClose();

    AddrBookList& bookList_;
    GroupList groups_;
    DeviceList& list_;
    ProtocolWorker& worker_;
    std::vector<BookDevice> rows_;        // every device-list entry, for the lists
    std::vector<DeviceItemPtr> online_;   // the device choice
    int current_ = -1;                    // index of the current book in bookList_
    bool changed_ = false;
    std::deque<Transfer> pending_;

    QComboBox* books_;
    QPushButton* delete_;
    QComboBox* devices_;
    QPushButton* download_;
    QPushButton* clear_;
    QTabWidget* tabs_;
    BookGrid* groupGrid_;
    BookGrid* castGrid_;
    BookGrid* callGrid_;
    QProgressBar* progress_;
    QLabel* status_;
};

} // namespace aulira::app
