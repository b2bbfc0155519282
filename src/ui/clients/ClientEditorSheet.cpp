#include "ui/clients/ClientEditorSheet.h"

#include "ui/clients/ClientPortField.h"
#include "ui/components/ClientPresentation.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionPalette.h"
#include "ui/components/CompanionProminentButton.h"
#include "ui/components/CompanionStatusBanner.h"
#include "ui/components/CompanionSurfaceCard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* textField(const QString& name, const QString& text) {
    auto* field = new QLineEdit(text);
    field->setAccessibleName(name);
    return field;
}

} // namespace

ClientEditorSheet::ClientEditorSheet(const ClientDraft& draft, QWidget* parent)
    : QDialog(parent), m_draft(draft), m_label(textField(tr("Label"), draft.label)), m_type(new QComboBox),
      m_host(textField(tr("Host or IP address"), draft.host)), m_port(new ClientPortField),
      m_username(textField(tr("Username"), draft.username)),
      m_password(textField(tr("Password"), draft.password)), m_useTls(new QCheckBox),
      m_skipVerify(new QCheckBox),
      m_portError(new CompanionLabel(tr("Enter a port between 1 and 65535."), CompanionTextStyle::Callout)),
      m_hint(new CompanionLabel(CompanionTextStyle::Callout)), m_error(new CompanionStatusBanner),
      m_save(new CompanionProminentButton(draft.clientID.isEmpty() ? tr("Add Client") : tr("Save Changes"))) {
    const QString title = draft.clientID.isEmpty() ? tr("Add Torrent Client") : tr("Edit Torrent Client");
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(460);
    setObjectName(QStringLiteral("clientEditor"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(20);
    auto* heading = new CompanionLabel(title, CompanionTextStyle::Title);
    heading->setWeight(QFont::DemiBold);
    layout->addWidget(heading);

    auto* panel = new CompanionSurfaceCard;
    buildForm(panel);
    layout->addWidget(panel);

    m_portError->setObjectName(QStringLiteral("clientPortError"));
    m_portError->setTint(StatusTint::Orange);
    m_hint->setObjectName(QStringLiteral("clientHint"));
    m_hint->setTone(CompanionLabel::Tone::Secondary);
    m_error->setObjectName(QStringLiteral("clientEditorError"));
    m_error->hide();
    connect(m_error, &CompanionStatusBanner::dismissed, this, &ClientEditorSheet::errorDismissed);
    layout->addWidget(m_portError);
    layout->addWidget(m_hint);
    layout->addWidget(m_error);

    auto* cancel = new QPushButton(tr("Cancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_save->setObjectName(QStringLiteral("clientSave"));
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (canSave()) {
            Q_EMIT saveRequested(m_draft);
        }
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(m_save);
    layout->addLayout(buttons);

    connect(m_label, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_draft.label = text;
        updateState();
    });
    connect(m_host, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_draft.host = text;
        updateState();
    });
    connect(m_username, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_draft.username = text; });
    connect(m_password, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_draft.password = text; });
    connect(m_useTls, &QCheckBox::toggled, this, [this](bool on) { m_draft.useTls = on; });
    connect(m_skipVerify, &QCheckBox::toggled, this, [this](bool on) { m_draft.insecureSkipVerify = on; });
    connect(m_port, &ClientPortField::portChanged, this, [this](int port) {
        m_draft.port = port;
        updateState();
    });
    connect(m_type, &QComboBox::currentIndexChanged, this, &ClientEditorSheet::typeChanged);
    updateState();
    const int height = heightForWidth(preferredWidth);
    resize(preferredWidth, height > 0 ? height : sizeHint().height());
}

void ClientEditorSheet::buildForm(CompanionSurfaceCard* panel) {
    for (const ClientType type : allClientTypes()) {
        m_type->addItem(productName(type), QVariant::fromValue(int(type)));
    }
    m_type->setCurrentIndex(int(allClientTypes().indexOf(m_draft.type)));
    m_type->setAccessibleName(tr("Type"));
    m_port->setText(m_draft.port >= 1 ? QString::number(m_draft.port) : QString());
    m_port->setAccessibleName(tr("Port"));
    m_port->setObjectName(QStringLiteral("clientPort"));
    m_password->setEchoMode(QLineEdit::Password);
    m_useTls->setChecked(m_draft.useTls);
    m_useTls->setAccessibleName(tr("Use TLS / HTTPS"));
    m_skipVerify->setChecked(m_draft.insecureSkipVerify);
    m_skipVerify->setAccessibleName(tr("Skip TLS certificate verification"));
    m_label->setObjectName(QStringLiteral("clientLabel"));
    m_host->setObjectName(QStringLiteral("clientHost"));
    m_type->setObjectName(QStringLiteral("clientType"));
    m_password->setObjectName(QStringLiteral("clientPassword"));

    // Fields on the card colour keep their own (text) background visible in
    // both themes.
    auto* form = new QFormLayout;
    panel->contentLayout()->addLayout(form);
    panel->contentLayout()->setContentsMargins(16, 14, 16, 14);
    form->setHorizontalSpacing(16);
    form->setVerticalSpacing(10);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    form->addRow(tr("Label"), m_label);
    form->addRow(tr("Type"), m_type);
    form->addRow(tr("Host or IP address"), m_host);
    form->addRow(tr("Port"), m_port);
    form->addRow(tr("Username"), m_username);
    form->addRow(tr("Password"), m_password);
    form->addRow(tr("Use TLS / HTTPS"), m_useTls);
    form->addRow(tr("Skip TLS certificate verification"), m_skipVerify);
}

QString ClientEditorSheet::portText() const {
    return m_port->text();
}

bool ClientEditorSheet::canSave() const {
    return !m_draft.label.trimmed().isEmpty() && !m_draft.host.trimmed().isEmpty() &&
           ClientPortField::parsedPort(m_port->text()).has_value();
}

void ClientEditorSheet::setErrorMessage(const std::optional<QString>& message) {
    const QString text = message.value_or(QString()).trimmed();
    if (text.isEmpty()) {
        m_error->hide();
    } else {
        m_error->setContent(QStringLiteral("exclamationmark.triangle"), tr("Needs attention"), text,
                            StatusTint::Orange);
        m_error->show();
    }
}

void ClientEditorSheet::setBusy(bool busy) {
    m_busy = busy;
    updateState();
}

QString ClientEditorSheet::hint(ClientType type) {
    switch (type) {
    case ClientType::Qbittorrent:
        return tr("Use the qBittorrent Web UI host, port, username, and password.");
    case ClientType::Transmission:
        return tr("Use the Transmission RPC port and the same credentials you use in the web UI.");
    case ClientType::Deluge:
        return tr(
            "Use the Deluge web interface host and port 8112. The web password is usually not the daemon "
            "password.");
    }
    return {};
}

void ClientEditorSheet::typeChanged(int index) {
    m_draft.type = allClientTypes().value(index, ClientType::Qbittorrent);
    // A new type brings its own default port, replacing a typed one; the host stays.
    m_draft.port = ClientDraft::defaultPort(m_draft.type);
    m_port->setText(m_draft.port >= 1 ? QString::number(m_draft.port) : QString());
    updateState();
}

void ClientEditorSheet::updateState() {
    const QString port = m_port->text();
    m_portError->setVisible(!port.isEmpty() && !ClientPortField::parsedPort(port));
    m_hint->setTextIfChanged(hint(m_draft.type));
    m_save->setEnabled(canSave() && !m_busy);
}
