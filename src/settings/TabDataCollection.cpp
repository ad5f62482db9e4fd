#include "settings/TabDataCollection.h"

#include "dialogs/DialogUnits.h"
#include "settings/LSettingsDlgRadios.h"
#include "settings/SettingsStore.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QUuid>
#include <QVBoxLayout>

namespace {
constexpr int maxParticipantIdLength = 64;
// No control characters (C0, DEL, C1), no blank at either end.
const char* const participantIdPattern = "^[^\\s\\x00-\\x1f\\x7f-\\x9f](?:[^\\x00-\\x1f\\x7f-\\x9f]{0,62}[^\\s\\x00-\\x1f\\x7f-\\x9f])?$";
constexpr int widthDu = 269;
constexpr int heightDu = 202;
constexpr int averagingEditWidthDu = 40;
constexpr int methodBoxWidthDu = 200;
} // namespace

TabDataCollection::TabDataCollection(SettingsStore& store, QWidget* parent)
    : TabDlg(store, parent), states(new QButtonGroup(this)), averagingEdit(new QLineEdit(this)),
      coordinatesBox(new QCheckBox("Collect coordinates", this)), methods(new QButtonGroup(this)),
      serverEdit(new QLineEdit(this)), participantEdit(new QLineEdit(this)), certificateEdit(new QLineEdit(this)) {
    setMinimumSize(DialogUnits::toPixels(widthDu, heightDu, font()));
    auto* layout = new QVBoxLayout(this);

    const auto addRadio = [](QButtonGroup* group, QBoxLayout* box, const char* text, int code) {
        auto* radio = new QRadioButton(text);
        box->addWidget(radio);
        group->addButton(radio, code);
    };
    addRadio(states, layout, "Do not collect any statistics", SettingKeys::dataCollectionNone);
    addRadio(states, layout, "Use internet connection", SettingKeys::dataCollectionSend);
    addRadio(states, layout, "Save to a file", SettingKeys::dataCollectionSave);

    auto* averagingRow = new QHBoxLayout;
    averagingRow->addWidget(new QLabel("Averaging interval:"));
    averagingEdit->setObjectName("averagingInterval");
    averagingEdit->setAlignment(Qt::AlignRight);
    averagingEdit->setFixedWidth(DialogUnits::toPixels(averagingEditWidthDu, 0, font()).width());
    averagingRow->addWidget(averagingEdit);
    averagingRow->addWidget(new QLabel("milliseconds."));
    averagingRow->addStretch();
    layout->addLayout(averagingRow);

    layout->addWidget(coordinatesBox);

    auto* serverRow = new QHBoxLayout;
    serverRow->addWidget(new QLabel("Score server:"));
    serverEdit->setObjectName("scoreServer");
    serverEdit->setPlaceholderText("host[:port]");
    serverEdit->setToolTip("Where the page that names the score and collection server is served");
    serverRow->addWidget(serverEdit, 1);
    layout->addLayout(serverRow);

    auto* participantRow = new QHBoxLayout;
    participantRow->addWidget(new QLabel("Participant:"));
    participantEdit->setObjectName("participantId");
    participantEdit->setMaxLength(maxParticipantIdLength);
    participantEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(participantIdPattern), participantEdit));
    participantEdit->setToolTip("The code this player's data is filed under; made at random unless you type "
                                "your own (1 to 64 characters)");
    participantRow->addWidget(participantEdit, 1);
    layout->addLayout(participantRow);
    auto* certificateRow = new QHBoxLayout;
    certificateRow->addWidget(new QLabel("Server certificate:"));
    certificateEdit->setObjectName("scoreServerCertificate");
    certificateEdit->setPlaceholderText("system certificates");
    certificateEdit->setToolTip("A certificate file (PEM) the score server must present when it speaks TLS; "
                                "empty: the system's trusted certificates decide");
    certificateRow->addWidget(certificateEdit, 1);
    auto* browse = new QPushButton("Browse...");
    connect(browse, &QPushButton::clicked, this, &TabDataCollection::browseCertificate);
    certificateRow->addWidget(browse);
    layout->addLayout(certificateRow);

    auto* methodBox = new QGroupBox("Choose learning method");
    auto* methodLayout = new QVBoxLayout(methodBox);
    addRadio(methods, methodLayout, "Classical learning", SettingKeys::learningMethodClassical);
    addRadio(methods, methodLayout, "Reinforcement learning", SettingKeys::learningMethodReinforcement);
    addRadio(methods, methodLayout, "Experimental", SettingKeys::learningMethodExperimental);
    methodBox->setFixedWidth(DialogUnits::toPixels(methodBoxWidthDu, 0, font()).width());
    layout->addWidget(methodBox);
    layout->addStretch();

    loadPage();
}

void TabDataCollection::loadPage(const QString&) {
    LSettingsDlgRadios::select(*states, store().readCode(SettingKeys::dataCollectionState));
    averagingEdit->setText(store().readText(SettingKeys::dataCollectionAveragingTime));
    coordinatesBox->setChecked(store().readBool(SettingKeys::dataCollectionCoordinates));
    LSettingsDlgRadios::select(*methods, store().readCode(SettingKeys::dataCollectionLearningMethod));
    serverEdit->setText(store().readText(SettingKeys::scoreServer));
    participantEdit->setText(ensureParticipantId(store()));
    certificateEdit->setText(store().readText(SettingKeys::scoreServerCertificate));
}

void TabDataCollection::savePage(const QString&) {
    const SettingsStore::Batch batch(store());
    store().writeInt(SettingKeys::dataCollectionState, dataCollectionState());
    store().write(QLatin1String(SettingKeys::dataCollectionAveragingTime.key), averagingText());
    store().writeBool(SettingKeys::dataCollectionCoordinates, collectCoordinates());
    store().writeInt(SettingKeys::dataCollectionLearningMethod, learningMethod());
    store().write(QLatin1String(SettingKeys::scoreServer.key), scoreServer());
    const QString participant = participantId();
    store().write(QLatin1String(SettingKeys::participantId.key), participant);
    participantEdit->setText(participant);
    store().write(QLatin1String(SettingKeys::scoreServerCertificate.key), scoreServerCertificate());
}

int TabDataCollection::dataCollectionState() const {
    return LSettingsDlgRadios::selected(*states);
}

QString TabDataCollection::averagingText() const {
    return averagingEdit->text();
}

int TabDataCollection::averagingMs() const {
    return SettingsStore::parseInt(averagingEdit->text());
}

bool TabDataCollection::collectCoordinates() const {
    return coordinatesBox->isChecked();
}

int TabDataCollection::learningMethod() const {
    return LSettingsDlgRadios::selected(*methods);
}

QString TabDataCollection::scoreServer() const {
    return serverEdit->text().trimmed();
}

QString TabDataCollection::participantId() const {
    const QString typed = participantEdit->text();
    return isValidParticipantId(typed) ? typed : ensureParticipantId(store());
}

bool TabDataCollection::isValidParticipantId(const QString& id) {
    static const QRegularExpression pattern(participantIdPattern);
    return pattern.match(id).hasMatch();
}

QString TabDataCollection::ensureParticipantId(SettingsStore& store) {
    const QString stored = store.readText(SettingKeys::participantId);
    if (isValidParticipantId(stored)) {
        return stored;
    }
    // Random, never from the host or user name, so the data does not name the player.
    const QString made = QUuid::createUuid().toString(QUuid::WithoutBraces);
    store.write(QLatin1String(SettingKeys::participantId.key), made);
    return made;
}

QString TabDataCollection::scoreServerCertificate() const {
    return certificateEdit->text().trimmed();
}

void TabDataCollection::browseCertificate() {
    QFileDialog chooser(this, "Score server certificate", QFileInfo(scoreServerCertificate()).path(),
                        "Certificates (*.pem *.crt *.cer);;All files (*)");
    chooser.setFileMode(QFileDialog::ExistingFile);
    // Qt's own dialog, so that the choice works the same everywhere.
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty()) {
        certificateEdit->setText(chooser.selectedFiles().first());
    }
}
