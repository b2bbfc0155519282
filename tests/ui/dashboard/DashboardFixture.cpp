#include "DashboardFixture.h"

#include "runtime/WireCoding.h"

#include <QApplication>
#include <QDir>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

void DashboardFixture::prepareApplication() {
    ModelHarness::isolateUserFolders();
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_qs));
    QApplication::setPalette(lightPalette());
}

QPalette DashboardFixture::lightPalette() {
    return QApplication::style()->standardPalette();
}

QPalette DashboardFixture::darkPalette() {
    QPalette palette;
    const QColor text(0xf2, 0xf2, 0xf7);
    palette.setColor(QPalette::Window, QColor(0x2c, 0x2c, 0x2e));
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(0x1c, 0x1c, 0x1e));
    palette.setColor(QPalette::AlternateBase, QColor(0x32, 0x32, 0x35));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3c));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4d));
    palette.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x43));
    palette.setColor(QPalette::Mid, QColor(0x2a, 0x2a, 0x2c));
    palette.setColor(QPalette::Dark, QColor(0x1a, 0x1a, 0x1b));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(0x0a, 0x84, 0xff));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    palette.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3c));
    palette.setColor(QPalette::ToolTipText, text);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, QColor(0x6e, 0x6e, 0x73));
    }
    return palette;
}

QString DashboardFixture::screenshotFolder() {
    const QString folder = QCoreApplication::applicationDirPath() + u"/screenshots"_qs;
    QDir().mkpath(folder);
    return folder;
}

void DashboardFixture::addThemeRows() {
    QTest::addColumn<QString>("theme");
    for (const char* theme : {"light", "dark"}) {
        QTest::newRow(theme) << QString::fromLatin1(theme);
    }
}

DashboardFixture::ThemeScope::ThemeScope(const QString& theme) {
    QApplication::setPalette(theme == u"dark" ? darkPalette() : lightPalette());
}

DashboardFixture::ThemeScope::~ThemeScope() {
    QApplication::setPalette(lightPalette());
}

ClientConfig DashboardFixture::client(const QString& id, const QString& label, const QString& authState,
                                      std::optional<QString> lastError) {
    ClientConfig client;
    client.id = id;
    client.label = label;
    client.host = u"localhost"_qs;
    client.port = 8080;
    client.authState = authState;
    client.lastError = std::move(lastError);
    return client;
}

RuntimeSnapshot DashboardFixture::pairedSnapshot(QList<ClientConfig> clients) {
    RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot(PairingStatus::Paired);
    snapshot.identity.companionId = u"cmp_7f3a9c"_qs;
    snapshot.backendStatus.presenceState = PresenceState::Connected;
    snapshot.localNetwork.candidates = {{u"192.168.1.20"_qs, 46901, u"ipv4"_qs},
                                        {u"10.0.0.4"_qs, 46901, u"ipv4"_qs}};
    snapshot.clients = std::move(clients);
    return snapshot;
}

void DashboardFixture::servePendingPairing(const QDateTime& expiresAt) {
    RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot(PairingStatus::Pending, u"482913"_qs);
    snapshot.identity.pairing.expiresAt = expiresAt;
    PairingLinkPayload link{u"482913"_qs,
                            u"https://vendrilo.app/pair/482913"_qs,
                            u"vendrilo://pair/482913"_qs,
                            u"companion"_qs,
                            {}};
    harness.server.setAnswer(u"/v1/pairing/link"_qs, {200, WireCoding::encode(link), {}});
    serveAndRefresh(snapshot);
}

ModelHarness::Options DashboardFixture::onboarded() {
    ModelHarness::Options options;
    options.setupCompleted = true;
    options.guidedExperienceCompleted = true;
    return options;
}

DashboardFixture::DashboardFixture(ModelHarness::Options options)
    : harness(std::move(options)), model(*harness.model), view(model) {
    view.setAnimationsEnabled(false);
    view.resize(960, 820);
}

DashboardFixture::~DashboardFixture() {
    if (!QTest::qWaitFor([this] { return !model.isBusy() && !model.isRefreshing(); }, 10000)) {
        qWarning("The model was still busy when the test ended");
    }
    settle();
}

void DashboardFixture::serveAndRefresh(const RuntimeSnapshot& snapshot) {
    harness.serve(snapshot);
    harness.refresh();
    settle();
}

void DashboardFixture::show() {
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // The first show starts the model; wait for its start-up to end.
    QVERIFY(QTest::qWaitFor([this] { return !model.isBusy() && !model.isRefreshing(); }, 10000));
    settle();
}

void DashboardFixture::settle() {
    // Deferred updates and layouts run on the next turns of the event loop.
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

void DashboardFixture::saveScreenshot(const QString& name) {
    QVERIFY(view.grab().save(screenshotFolder() + u'/' + name + u".png"_qs));
    if (view.clientEditor()) {
        QVERIFY(view.clientEditor()->grab().save(screenshotFolder() + u'/' + name + u"-sheet.png"_qs));
    }
}
