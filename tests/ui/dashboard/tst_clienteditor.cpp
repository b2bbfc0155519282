#include "DashboardFixture.h"
#include "runtime/WireCoding.h"
#include "ui/clients/ClientEditorSheet.h"
#include "ui/clients/ClientPortField.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionStatusBanner.h"
#include "ui/dashboard/CompanionOperationalDashboardView.h"
#include "ui/dashboard/DashboardClientsSection.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// One row of the Port field and save-button table.
struct PortCase {
    QString label, host, typed, pasted, portText;
    bool portError = false, canSave = false;
};

class ClientEditorTest : public QObject {
    Q_OBJECT

    template <typename T> static T* field(ClientEditorSheet* sheet, const char* name) {
        return sheet->findChild<T*>(QString::fromLatin1(name));
    }
    // Opens the sheet the way "Add Client" does.
    static ClientEditorSheet* addClient(DashboardFixture& f) {
        f.view.operationalView()->clientsSection()->addClientButton()->click();
        return f.view.clientEditor();
    }

private Q_SLOTS:
    void initTestCase() { DashboardFixture::prepareApplication(); }

    void parsedPort_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<int>>("port");
        const std::optional<int> none;
        QTest::newRow("empty") << QString() << none;
        QTest::newRow("plain") << u"8080"_qs << std::optional(8080);
        QTest::newRow("plus sign") << u"+443"_qs << std::optional(443);
        QTest::newRow("highest") << u"65535"_qs << std::optional(65535);
        QTest::newRow("zero") << u"0"_qs << none;
        QTest::newRow("negative") << u"-80"_qs << none;
        QTest::newRow("above range") << u"65536"_qs << none;
        QTest::newRow("past 64 bits") << u"99999999999999999999999"_qs << none;
        QTest::newRow("sign only") << u"+"_qs << none;
        QTest::newRow("space") << u" 80"_qs << none;
        QTest::newRow("non-ASCII digits") << u"٨٠"_qs << none;
    }
    void parsedPort() {
        QFETCH(QString, text);
        QTEST(ClientPortField::parsedPort(text), "port");
    }

    // Typed keys, then pasted text, land in the Port field filtered; the error
    // and the save button follow the label, host and port.
    void portFieldAndSaving_data() {
        QTest::addColumn<PortCase>("c");
        const QString nas = u"NAS"_qs, host = u"nas.local"_qs;
        QTest::newRow("letters dropped while typing")
            << PortCase{nas, host, u"80a80"_qs, {}, u"8080"_qs, false, true};
        QTest::newRow("paste keeps five digits")
            << PortCase{nas, host, {}, u"1234567"_qs, u"12345"_qs, false, true};
        QTest::newRow("zero") << PortCase{nas, host, u"0"_qs, {}, u"0"_qs, true, false};
        QTest::newRow("70000") << PortCase{nas, host, u"70000"_qs, {}, u"70000"_qs, true, false};
        QTest::newRow("65535") << PortCase{nas, host, u"65535"_qs, {}, u"65535"_qs, false, true};
        QTest::newRow("empty port") << PortCase{nas, host, {}, {}, {}, false, false};
        QTest::newRow("blank label") << PortCase{u"   "_qs, host, u"9091"_qs, {}, u"9091"_qs, false, false};
        QTest::newRow("blank host") << PortCase{nas, u" \n"_qs, u"9091"_qs, {}, u"9091"_qs, false, false};
    }
    void portFieldAndSaving() {
        QFETCH(PortCase, c);
        DashboardFixture f;
        f.serveAndRefresh(DashboardFixture::pairedSnapshot());
        ClientEditorSheet* sheet = addClient(f);
        QVERIFY(sheet);
        field<QLineEdit>(sheet, "clientLabel")->setText(c.label);
        field<QLineEdit>(sheet, "clientHost")->setText(c.host);
        auto* port = field<ClientPortField>(sheet, "clientPort");
        port->clear();
        QTest::keyClicks(port, c.typed);
        if (!c.pasted.isEmpty()) {
            QApplication::clipboard()->setText(c.pasted);
            port->paste();
        }
        QCOMPARE(sheet->portText(), c.portText);
        QCOMPARE(sheet->draft().port, qint64(ClientPortField::parsedPort(c.portText).value_or(0)));
        QCOMPARE(field<CompanionLabel>(sheet, "clientPortError")->isVisibleTo(sheet), c.portError);
        QCOMPARE(field<QPushButton>(sheet, "clientSave")->isEnabled(), c.canSave);
    }

    void addEditCancelAndSave() {
        DashboardFixture f;
        ClientConfig stored = DashboardFixture::client(u"c1"_qs, u"Seedbox"_qs);
        stored.port = 0;
        f.serveAndRefresh(DashboardFixture::pairedSnapshot({stored}));
        f.show();

        ClientEditorSheet* sheet = addClient(f);
        QCOMPARE(sheet->windowTitle(), u"Add Torrent Client"_qs);
        // Every control is named, in the order of the form.
        QStringList chain;
        for (QWidget* widget = field<QLineEdit>(sheet, "clientLabel"); chain.size() < 10;
             widget = widget->nextInFocusChain()) {
            if (widget->isVisible() && (widget->focusPolicy() & Qt::TabFocus)) {
                chain.append(UiTheme::spokenName(widget));
            }
        }
        QCOMPARE(chain.join(u", "_qs),
                 u"Label, Type, Host or IP address, Port, Username, Password, Use TLS / HTTPS, "
                 u"Skip TLS certificate verification, Cancel, Add Client"_qs);
        QCOMPARE(field<QPushButton>(sheet, "clientSave")->text(), u"Add Client"_qs);
        QCOMPARE(field<QLineEdit>(sheet, "clientPassword")->echoMode(), QLineEdit::Password);
        // Another type puts in its own port and hint, and keeps the host.
        auto* port = field<ClientPortField>(sheet, "clientPort");
        QCOMPARE(port->text(), u"8080"_qs);
        port->setText(u"9999"_qs);
        field<QLineEdit>(sheet, "clientHost")->setText(u"seedbox.lan"_qs);
        field<QComboBox>(sheet, "clientType")->setCurrentIndex(2);
        QCOMPARE(std::tuple(port->text(), sheet->draft().port, sheet->draft().host),
                 std::tuple(u"8112"_qs, qint64(8112), u"seedbox.lan"_qs));
        QCOMPARE(field<CompanionLabel>(sheet, "clientHint")->text(),
                 ClientEditorSheet::hint(ClientType::Deluge));
        QTest::keyClick(sheet, Qt::Key_Escape);
        QVERIFY(!f.model.clientDraft());

        f.model.setClientDraft(ClientDraft::fromClient(stored));
        sheet = f.view.clientEditor();
        QCOMPARE(sheet->windowTitle(), u"Edit Torrent Client"_qs);
        QCOMPARE(field<QPushButton>(sheet, "clientSave")->text(), u"Save Changes"_qs);
        QCOMPARE(sheet->portText(), QString());
        field<QLineEdit>(sheet, "clientLabel")->setText(u"Seedbox 2"_qs);
        field<ClientPortField>(sheet, "clientPort")->setText(u"8081"_qs);

        // A refused save keeps the sheet, the typed text, and shows why.
        f.harness.server.setAnswer(u"/v1/clients/save"_qs,
                                   {400, QByteArrayLiteral("Label already used."), {}});
        QTest::keyClick(field<QLineEdit>(sheet, "clientLabel"), Qt::Key_Return);
        QTRY_VERIFY(field<CompanionStatusBanner>(sheet, "clientEditorError")->isVisibleTo(sheet));
        QCOMPARE(f.view.clientEditor(), sheet);
        QCOMPARE(field<QLineEdit>(sheet, "clientLabel")->text(), u"Seedbox 2"_qs);
        QVERIFY(!field<CompanionStatusBanner>(sheet, "clientEditorError")->message().isEmpty());
        f.saveScreenshot(u"editor-error-light"_qs);

        f.harness.server.setAnswer(u"/v1/clients/save"_qs, {200, WireCoding::encode(stored), {}});
        field<QPushButton>(sheet, "clientSave")->click();
        QTRY_VERIFY(!f.view.clientEditor());
        QVERIFY(!f.model.clientDraft());
        // The sheet closes before the refresh that follows the save ends.
        QTRY_COMPARE(f.model.noticeMessage(), std::optional(u"Torrent client saved."_qs));
    }

    void screenshots_data() { UiTheme::addThemeRows(); }
    void screenshots() {
        QFETCH(QString, theme);
        const auto restore = UiTheme::use(theme);
        DashboardFixture f;
        f.serveAndRefresh(DashboardFixture::pairedSnapshot());
        f.show();
        ClientEditorSheet* sheet = addClient(f);
        field<QLineEdit>(sheet, "clientLabel")->setText(u"Living-room NAS"_qs);
        field<ClientPortField>(sheet, "clientPort")->setText(u"0"_qs);
        QTRY_VERIFY(sheet->isVisible());
        f.saveScreenshot(u"editor-"_qs + theme);
    }
};

QTEST_MAIN(ClientEditorTest)
#include "tst_clienteditor.moc"
