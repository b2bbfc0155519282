#pragma once

#include "model/ClientDraft.h"

#include <QDialog>

#include <optional>

class ClientPortField;
class CompanionLabel;
class CompanionStatusBanner;
class CompanionSurfaceCard;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The window-modal sheet that adds or edits one torrent client. It edits its
// own copy of the draft and hands it over with saveRequested(); it does not
// close itself on save: the model clears its clientDraft when the save
// succeeds, and the owner then closes the sheet. Cancel and Escape reject it.
class ClientEditorSheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int preferredWidth = 520;

    ClientEditorSheet(const ClientDraft& draft, QWidget* parent);

    const ClientDraft& draft() const { return m_draft; }
    QString portText() const;
    bool canSave() const;
    // The model's error about the last save, shown inside the sheet; the
    // typed input stays.
    void setErrorMessage(const std::optional<QString>& message);
    // While the model works on a save, the save button waits.
    void setBusy(bool busy);

    static QString hint(ClientType type);

Q_SIGNALS:
    void saveRequested(const ClientDraft& draft);
    void errorDismissed();

private:
    void buildForm(CompanionSurfaceCard* panel);
    void typeChanged(int index);
    void updateState();

    ClientDraft m_draft;
    bool m_busy = false;
    QLineEdit* m_label;
    QComboBox* m_type;
    QLineEdit* m_host;
    ClientPortField* m_port;
    QLineEdit* m_username;
    QLineEdit* m_password;
    QCheckBox* m_useTls;
    QCheckBox* m_skipVerify;
    CompanionLabel* m_portError;
    CompanionLabel* m_hint;
    CompanionStatusBanner* m_error;
    QPushButton* m_save;
};
