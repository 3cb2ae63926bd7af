// The main window's and the priority dialog's forms as uic builds them: every
// object name, class, parent, place, range, text and font that the layout
// fixes, the style sheet and its property rules.
#include "form_font.h"
#include "settings.h"
#include "ui_dialog.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QTranslator>

namespace {

const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
const Qt::Alignment centre = Qt::AlignCenter;
const Qt::Alignment anyAlignment = {};
const int anySize = 0;
enum Weight { anyWeight, normal, bold };

QString n(const char* pattern, int i)
{
    return QString::fromLatin1(pattern).arg(i);
}

const char* const statusValueStyle =
    "[online = \"true\"]{color:green;}\n[online = \"false\"]{color:gray;}\n[online = \"mismatch\"]{color:orange;}";

// The window's style sheet: selectors and declarations in their order.
const QList<QPair<QString, QString>> windowRules = {
    {"QMainWindow", "background: #E8E8E8;"},
    {"QTabBar::tab", "min-width:301px;"},
    {"#frame_connected", "border: 1px solid gray; border-radius: 10px;"},
    {"[connected=\"true\"]",
     "background: QLinearGradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #8ED98E, stop: 1 #60B260);"},
    {"[connected=\"false\"]",
     "background: QLinearGradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #FFFFFF, stop: 1 #E8E8E8);"},
    {"[connected = \"mismatch\"]",
     "background: QLinearGradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #FFC573, stop: 1 #FF9500);"},
    {"QGroupBox",
     "border: 1px solid gray; border-radius: 5px; margin-top: 9px; background: QLinearGradient(x1: 0, "
     "y1: 0, x2: 0, y2: 1, stop: 0 #FFFFFF, stop: 1 #E8E8E8);"},
    {"QGroupBox::title", "subcontrol-origin:margin; left: 10px;"},
    {"#frame_linked_1", "border-radius: 6px; border:2px solid rgb(181,203,221);"},
    {"#frame_linked_2", "border-radius: 6px; border:2px solid #EFC29C;"},
    {"#frame_linked_3", "border-radius: 6px; border:2px solid #EF9C9C;"},
    {"#label_zones_linked_1", "background-color: rgb(181,203,221); border-radius: 5px;"},
    {"#label_zones_linked_2", "background-color: #EFC29C; border-radius: 5px;"},
    {"#label_zones_linked_3", "background-color: #EF9C9C; border-radius: 5px;"},
};

// Rules of a style sheet as (selector, declarations), whitespace collapsed.
QList<QPair<QString, QString>> parseRules(const QString& sheet)
{
    QList<QPair<QString, QString>> rules;
    static const QRegularExpression rule(QStringLiteral("([^{}]+)\\{([^}]*)\\}"));
    for (const auto& m : rule.globalMatch(sheet))
        rules.append({m.captured(1).simplified(), m.captured(2).simplified()});
    return rules;
}

QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

bool near(const QColor& a, const QColor& b, int tolerance = 10)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
        qAbs(a.blue() - b.blue()) <= tolerance;
}

// Marks every text it is asked for, and notes under which context.
class RecordingTranslator : public QTranslator {
public:
    mutable QSet<QPair<QString, QString>> seen;

    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* = nullptr, int = -1) const override
    {
        seen.insert({QString::fromUtf8(context), QString::fromUtf8(source)});
        return QStringLiteral("~") + QString::fromUtf8(source);
    }
};

} // namespace

class FormTest : public QObject {
    Q_OBJECT

    QMainWindow window;
    Ui::MainWindow ui;

    template <typename T>
    T* widget(const QString& name)
    {
        T* w = window.findChild<T*>(name);
        if (!w)
            qWarning("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
        return w;
    }

    void restyle(QWidget* w)
    {
        w->style()->unpolish(w);
        w->style()->polish(w);
        w->update();
    }

private slots:
    void initTestCase()
    {
        useFormFont();
        ui.setupUi(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    void windowIsFixedAt900x620()
    {
        QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(window.size(), QSize(900, 620));
        QCOMPARE(window.minimumSize(), QSize(900, 620));
        QCOMPARE(window.maximumSize(), QSize(900, 620));
        window.resize(1000, 700);
        QCOMPARE(window.size(), QSize(900, 620));
        QCOMPARE(window.windowTitle(), QStringLiteral("Orlo ZQ40 - Offline"));
        QCOMPARE(window.tabShape(), QTabWidget::Rounded);
        QVERIFY(!window.windowIcon().isNull());
        QCOMPARE(window.centralWidget()->objectName(), QStringLiteral("centralWidget"));
        // No menu bar, tool bar or status bar: the commands are the buttons.
        QVERIFY(!window.menuWidget());
        QVERIFY(window.findChildren<QToolBar*>().isEmpty());
        QVERIFY(window.findChildren<QStatusBar*>().isEmpty());
    }

    void actionsBelongToNoMenu()
    {
        const QList<QPair<QString, QString>> actions = {{"actionDatasheet", "Datasheet"},
                                                        {"actionCheck_for_Updates", "Check for Updates..."},
                                                        {"actionLoad_from_File", "Load from File"},
                                                        {"actionSave_Settings", "Save to File"}};
        for (const auto& [name, text] : actions) {
            QAction* a = window.findChild<QAction*>(name);
            QVERIFY2(a, qPrintable(name));
            QCOMPARE(a->parent(), &window);
            QCOMPARE(a->text(), text);
            QVERIFY(a->associatedObjects().isEmpty());
        }
    }

    void tabs()
    {
        QTabWidget* tabs = ui.tabWidget;
        QCOMPARE(tabs->geometry(), QRect(-2, -2, 905, 522));
        QCOMPARE(tabs->font().pointSize(), 11);
        QCOMPARE(tabs->styleSheet(), QString());
        QCOMPARE(tabs->count(), 3);
        const QStringList names = {"tab_inputs", "tab_outputs", "tab_names"};
        const QStringList texts = {"Program and Paging Inputs", "Zone Outputs", "Names and Labels"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(tabs->widget(i)->objectName(), names[i]);
            QCOMPARE(tabs->tabText(i), texts[i]);
        }
        QCOMPARE(tabs->currentIndex(), 0);
    }

    void styleSheetRulesInOrder() { QCOMPARE(parseRules(window.styleSheet()), windowRules); }

    void widgetTree_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry");
        auto row = [](const QString& name, const char* cls, const char* parent, QRect g) {
            QTest::newRow(qPrintable(name)) << QString::fromLatin1(cls) << QString::fromLatin1(parent) << g;
        };
        row("groupBox_input_levels", "QGroupBox", "tab_inputs", {19, 11, 195, 460});
        row("groupBox_page1_settings", "QGroupBox", "tab_inputs", {239, 11, 195, 460});
        row("groupBox_page2_settings", "QGroupBox", "tab_inputs", {460, 11, 195, 460});
        row("groupBox_dr_status", "QGroupBox", "tab_inputs", {679, 11, 195, 460});
        row("groupBox_pager_status", "QGroupBox", "groupBox_dr_status", {0, 225, 195, 235});
        for (int z = 1; z <= 6; ++z)
            row(n("groupBox_zone_%1", z), "QGroupBox", "tab_outputs", {9 + 147 * (z - 1), 6, 148, 460});
        row("groupBox_deviceName", "QGroupBox", "tab_names", {49, 24, 241, 61});
        row("groupBox_zoneNames", "QGroupBox", "tab_names", {49, 110, 241, 241});
        row("groupBox_groupNames", "QGroupBox", "tab_names", {332, 23, 491, 327});

        // Program inputs: line edit / slider / value label / name label rows.
        const int rows[6][4] = {{44, 73, 74, 46},     {110, 139, 140, 112}, {178, 205, 206, 180},
                                {243, 270, 270, 244}, {307, 335, 335, 308}, {374, 401, 401, 376}};
        for (int p = 1; p <= 6; ++p) {
            const int* y = rows[p - 1];
            row(n("lineEdit_pgm_%1", p), "QLineEdit", "groupBox_input_levels", {27, y[0], 120, 20});
            row(n("label_pgm_%1", p), "QLabel", "groupBox_input_levels", {157, y[3], 31, 16});
            row(n("vSlider_pgm%1_level", p), "QSlider", "groupBox_input_levels", {29, y[1], 104, 22});
            row(n("lbl_pgm%1_lvl_value", p), "QLabel", "groupBox_input_levels", {144, y[2], 40, 16});
        }

        for (int k = 1; k <= 2; ++k) {
            const char* box = k == 1 ? "groupBox_page1_settings" : "groupBox_page2_settings";
            row(n("lbl_page%1_priority", k), "QLabel", box, {24, 44, 51, 20});
            row(n("comboBox_page%1_prio", k), "QComboBox", box, {100, 43, 61, 22});
            row(n("lbl_page%1_eq", k), "QLabel", box, {26, 265, 31, 20});
            row(n("lbl_page%1_eq_lo", k), "QLabel", box, {26, 291, 31, 16});
            row(n("lbl_page%1_eq_hi", k), "QLabel", box, {26, 315, 31, 16});
            row(n("lbl_page%1_chime_level", k), "QLabel", box, {28, 397, 41, 20});
            row(n("comboBox_page%1_chime", k), "QComboBox", box, {93, 396, 81, 22});
        }
        row("lbl_page1_thresh_mode", "QLabel", "groupBox_page1_settings", {24, 102, 111, 20});
        row("checkBox_page1_thresh_mode", "QCheckBox", "groupBox_page1_settings", {33, 133, 131, 17});
        row("lbl_page1_thresh", "QLabel", "groupBox_page1_settings", {30, 176, 61, 16});
        row("vSlider_page1_thresh_value", "QSlider", "groupBox_page1_settings", {30, 200, 96, 20});
        row("lbl_page1_thresh_value", "QLabel", "groupBox_page1_settings", {132, 197, 51, 20});
        row("checkBox_page2_phantom", "QCheckBox", "groupBox_page2_settings", {25, 93, 151, 31});
        row("checkBox_page2_pad", "QCheckBox", "groupBox_page2_settings", {25, 119, 121, 31});
        row("lbl_page2_trim", "QLabel", "groupBox_page2_settings", {24, 171, 81, 20});
        row("vSlider_page2_trim_level_value", "QSlider", "groupBox_page2_settings", {32, 200, 100, 20});
        row("lbl_page2_trim_level_value", "QLabel", "groupBox_page2_settings", {135, 200, 42, 16});
        row("vSlider_page1_eq_lo", "QSlider", "groupBox_page1_settings", {61, 291, 78, 20});
        row("vSlider_page1_eq_hi", "QSlider", "groupBox_page1_settings", {61, 317, 78, 20});
        row("vSlider_page2_eq_lo", "QSlider", "groupBox_page2_settings", {62, 291, 80, 20});
        row("vSlider_page2_eq_hi", "QSlider", "groupBox_page2_settings", {62, 317, 80, 20});
        row("lbl_page1_eq_lo_value", "QLabel", "groupBox_page1_settings", {138, 291, 42, 16});
        row("lbl_page1_eq_hi_value", "QLabel", "groupBox_page1_settings", {138, 316, 42, 16});
        row("lbl_page2_eq_lo_value", "QLabel", "groupBox_page2_settings", {142, 291, 42, 16});
        row("lbl_page2_eq_hi_value", "QLabel", "groupBox_page2_settings", {142, 316, 42, 16});
        row("lbl_page1_chime", "QLabel", "groupBox_page1_settings", {25, 376, 81, 20});
        row("lbl_page2_chime", "QLabel", "groupBox_page2_settings", {27, 376, 81, 20});

        row("lbl_remote_status", "QLabel", "groupBox_dr_status", {27, 39, 51, 20});
        const char* statusNames[7] = {"1", "7", "3", "4", "5", "6", "m"};
        const char* statusValues[7] = {"1", "2", "3", "4", "5", "6", "m"};
        for (int r = 0; r < 7; ++r) {
            const int y = 64 + 22 * r;
            row(QStringLiteral("lbl_dr_status_") + statusNames[r], "QLabel", "groupBox_dr_status", {31, y, 44, 16});
            row(QStringLiteral("lbl_dr_status_value_") + statusValues[r], "QLabel", "groupBox_dr_status",
                {86, y + 1, 106, 16});
        }
        row("lbl_remote_status_2", "QLabel", "groupBox_pager_status", {31, 26, 51, 20});
        row("lbl_dr_status_value_pager", "QLabel", "groupBox_pager_status", {86, 29, 106, 16});
        row("lbl_page2_group1", "QLabel", "groupBox_pager_status", {30, 54, 61, 16});
        row("lbl_page2_group2", "QLabel", "groupBox_pager_status", {117, 54, 61, 16});
        for (int z = 1; z <= 6; ++z) {
            // Group 1's first box is as wide as the others: at 51 pixels its
            // "Zone 1" is cut to "Zone" with the fonts available off Windows.
            row(n("checkBox_group1_z_%1", z), "QCheckBox", "groupBox_pager_status", {27, 76 + 21 * (z - 1), 59, 16});
            row(n("checkBox_group2_z_%1", z), "QCheckBox", "groupBox_pager_status", {114, 76 + 21 * (z - 1), 59, 16});
        }
        row("checkBox_group_disable", "QCheckBox", "groupBox_pager_status", {27, 205, 161, 20});

        for (int z = 1; z <= 6; ++z) {
            const QString box = n("groupBox_zone_%1", z);
            auto zrow = [&](const char* pattern, const char* cls, QRect g) {
                QTest::newRow(qPrintable(n(pattern, z))) << QString::fromLatin1(cls) << box << g;
            };
            zrow("lbl_zone%1_source", "QLabel", {10, 28, 51, 20});
            zrow("comboBox_zone%1_source", "QComboBox", {64, 27, 61, 22});
            zrow("lbl_level_zone%1", "QLabel", {11, 53, 51, 20});
            zrow("hSlider_level_zone_%1", "QSlider", {17, 72, 80, 20});
            zrow("lbl_level_value_zone%1", "QLabel", {102, 69, 34, 20});
            zrow("lbl_level_min_zone_%1", "QLabel", {9, 97, 41, 16});
            zrow("lbl_level_max_zone_%1", "QLabel", {75, 97, 41, 16});
            zrow("spinBox_level_min_zone_%1", "QSpinBox", {16, 112, 51, 22});
            zrow("spinBox_level_max_zone_%1", "QSpinBox", {80, 112, 51, 22});
            zrow("lbl_level_eq_zone_%1", "QLabel", {11, 144, 51, 20});
            zrow("lbl_zone%1_eq_lo", "QLabel", {5, 165, 31, 16});
            zrow("lbl_zone%1_eq_mid", "QLabel", {5, 185, 31, 16});
            zrow("lbl_zone%1_eq_hi", "QLabel", {5, 205, 31, 16});
            zrow("hSlider_eq_lo_zone%1", "QSlider", {35, 165, 70, 20});
            zrow("hSlider_eq_mid_zone%1", "QSlider", {35, 185, 70, 20});
            zrow("hSlider_eq_hi_zone%1", "QSlider", {35, 205, 70, 20});
            zrow("lbl_eq_lo_value_zone_%1", "QLabel", {108, 163, 31, 20});
            zrow("lbl_eq_mid_value_zone_%1", "QLabel", {108, 183, 31, 20});
            zrow("lbl_eq_hi_value_zone_%1", "QLabel", {108, 203, 31, 20});
            zrow("checkBox_priority_en_zone_%1", "QCheckBox", {11, 236, 131, 17});
            zrow("lbl_zone%1_page_level", "QLabel", {11, 262, 101, 20});
            zrow("hSlider_page_level_zone%1", "QSlider", {17, 283, 80, 20});
            zrow("lbl_pagelevel_value_zone%1", "QLabel", {103, 281, 36, 20});
            zrow("lbl_ducker_zone_%1", "QLabel", {11, 310, 101, 20});
            zrow("hSlider_ducker_depth_zone%1", "QSlider", {17, 331, 80, 20});
            zrow("lbl_ducker_value_zone%1", "QLabel", {103, 329, 36, 20});
            zrow(z == 6 ? "lbl_hpf_zon%1" : "lbl_hpf_zone%1", "QLabel", {11, 354, 51, 20});
            zrow("hSlider_hpf_zone%1", "QSlider", {17, 374, 80, 20});
            zrow("lbl_hpf_value_zone%1", "QLabel", {108, 372, 31, 20});
            zrow("lbl_limiter_zone%1", "QLabel", {11, 400, 51, 20});
            zrow("hSlider_limiter_zone%1", "QSlider", {17, 420, 80, 20});
            zrow("lbl_limiter_value_zone%1", "QLabel", {96, 418, 45, 20});
        }
        row("label_zones_linked_1", "QLabel", "tab_outputs", {11, 471, 291, 17});
        row("label_zones_linked_2", "QLabel", "tab_outputs", {307, 471, 291, 17});
        row("label_zones_linked_3", "QLabel", "tab_outputs", {603, 471, 291, 17});
        row("frame_linked_1", "QFrame", "tab_outputs", {144, 30, 31, 121});
        row("frame_linked_2", "QFrame", "tab_outputs", {440, 30, 31, 121});
        row("frame_linked_3", "QFrame", "tab_outputs", {737, 30, 20, 121});

        row("lineEdit_deviceName", "QLineEdit", "groupBox_deviceName", {19, 25, 201, 20});
        const int zoneY[6] = {34, 66, 97, 128, 159, 190};
        for (int z = 1; z <= 6; ++z) {
            row(n("label_name_zone%1", z), "QLabel", "groupBox_zoneNames", {26, zoneY[z - 1], 46, 13});
            row(n("lineEdit_zone%1", z), "QLineEdit", "groupBox_zoneNames", {90, zoneY[z - 1] - 4, 120, 20});
        }
        struct Range {
            const char* zones;
            bool leftColumn;
            int labelY, editY;
        };
        const Range ranges[] = {{"12", true, 44, 40},    {"23", true, 76, 72},    {"34", true, 108, 104},
                                {"45", true, 139, 135},  {"56", true, 170, 166},  {"13", true, 202, 198},
                                {"24", true, 233, 229},  {"16", true, 274, 273},  {"35", false, 44, 40},
                                {"46", false, 76, 72},   {"14", false, 108, 104}, {"25", false, 139, 135},
                                {"36", false, 170, 166}, {"15", false, 202, 198}, {"26", false, 233, 229}};
        for (const Range& r : ranges) {
            const bool all = QByteArray(r.zones) == "16";
            row(QStringLiteral("label_name_zone") + r.zones, "QLabel", "groupBox_groupNames",
                {r.leftColumn ? 30 : 253, r.labelY, 60, all ? 20 : 13});
            row(QStringLiteral("lineEdit_zone") + r.zones, "QLineEdit", "groupBox_groupNames",
                {all ? 104 : (r.leftColumn ? 103 : 326), r.editY, 120, 20});
        }
        row("label_2", "QLabel", "tab_names", {50, 380, 651, 16});

        row("frame_connected", "QFrame", "centralWidget", {9, 530, 436, 80});
        row("comboBox_deviceList", "QComboBox", "frame_connected", {15, 11, 271, 23});
        row("lbl_fw_version", "QLabel", "frame_connected", {17, 38, 111, 16});
        row("lbl_fw_version_value", "QLabel", "frame_connected", {140, 39, 111, 16});
        row("lbl_serial", "QLabel", "frame_connected", {17, 57, 111, 16});
        row("lbl_serial_value", "QLabel", "frame_connected", {140, 57, 111, 16});
        row("lbl_hw_revision", "QLabel", "frame_connected", {212, 57, 61, 16});
        row("lbl_hw_revision_value", "QLabel", "frame_connected", {267, 57, 32, 16});
        row("line", "QFrame", "frame_connected", {294, 7, 12, 68});
        row("label_connected", "QLabel", "frame_connected", {307, 13, 121, 21});
        row("pushButton_firmware", "QPushButton", "frame_connected", {310, 37, 112, 24});
        row("label_update_fw", "QLabel", "frame_connected", {306, 61, 121, 16});
        row("progressBar_fw", "QProgressBar", "frame_connected", {15, 41, 271, 16});
        row("label_fw_update_status", "QLabel", "frame_connected", {17, 58, 271, 16});
        row("pushButton_new_config", "QPushButton", "centralWidget", {467, 530, 120, 24});
        row("pushButton_open_config", "QPushButton", "centralWidget", {467, 558, 120, 24});
        row("pushButton_save_config", "QPushButton", "centralWidget", {467, 586, 120, 24});
        row("frame", "QFrame", "centralWidget", {612, 543, 266, 53});
        row("label_version", "QLabel", "centralWidget", {798, 592, 81, 16});
    }
    void widgetTree()
    {
        QFETCH(QString, className);
        QFETCH(QString, parent);
        QFETCH(QRect, geometry);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        QWidget* w = widget<QWidget>(name);
        QVERIFY(w);
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
        QCOMPARE(w->parentWidget()->objectName(), parent);
        QCOMPARE(w->geometry(), geometry);
    }

    void groupBoxes_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("groupBox_input_levels") << "Program Input Levels";
        QTest::newRow("groupBox_page1_settings") << "Page 1";
        QTest::newRow("groupBox_page2_settings") << "Page 2";
        QTest::newRow("groupBox_dr_status") << "Digital Remotes";
        QTest::newRow("groupBox_pager_status") << "Paging Station";
        for (int z = 1; z <= 6; ++z)
            QTest::newRow(qPrintable(n("groupBox_zone_%1", z))) << n("Zone %1", z);
        QTest::newRow("groupBox_deviceName") << "Device Name";
        QTest::newRow("groupBox_zoneNames") << "Zone Names";
        QTest::newRow("groupBox_groupNames") << "Linked Group Names";
    }
    void groupBoxes()
    {
        QFETCH(QString, title);
        QGroupBox* box = widget<QGroupBox>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(box);
        QCOMPARE(box->title(), title);
        QCOMPARE(box->font().pointSize(), 11);
    }

    void labels_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("weight");
        QTest::addColumn<Qt::Alignment>("alignment");
        QTest::addColumn<QString>("style");
        auto row = [](const QString& name, const QString& text, int size = anySize, Weight weight = anyWeight,
                      Qt::Alignment alignment = anyAlignment, const QString& style = QString()) {
            QTest::newRow(qPrintable(name)) << text << size << int(weight) << alignment << style;
        };
        for (int p = 1; p <= 6; ++p) {
            row(n("label_pgm_%1", p), n("Pgm%1", p), anySize, anyWeight, anyAlignment, "color:#999999;");
            row(n("lbl_pgm%1_lvl_value", p), "0 dB", 10, anyWeight, right);
        }
        for (int k = 1; k <= 2; ++k) {
            row(n("lbl_page%1_priority", k), "Priority", 10, bold, left);
            row(n("lbl_page%1_eq", k), "EQ", 10, bold, left);
            row(n("lbl_page%1_eq_lo", k), "Low", 10);
            row(n("lbl_page%1_eq_hi", k), "High", 10);
            row(n("lbl_page%1_eq_lo_value", k), "0 dB", 10, anyWeight, right);
            row(n("lbl_page%1_eq_hi_value", k), "0 dB", 10, anyWeight, right);
            row(n("lbl_page%1_chime", k), "Chime", 10, bold, left);
            row(n("lbl_page%1_chime_level", k), "Level", 10, anyWeight, centre);
        }
        row("lbl_page1_thresh_mode", "Auto Threshold", 10, bold, left);
        row("lbl_page1_thresh", "Threshold", 10);
        row("lbl_page1_thresh_value", "-40 dBFS", 9, anyWeight, right);
        row("lbl_page2_trim", "Level Trim", 10, bold, left);
        row("lbl_page2_trim_level_value", "0 dB", 10, anyWeight, right);

        row("lbl_remote_status", "Status", anySize, bold);
        const char* statusNames[7] = {"1", "7", "3", "4", "5", "6", "m"};
        const char* statusValues[7] = {"1", "2", "3", "4", "5", "6", "m"};
        for (int r = 0; r < 7; ++r) {
            row(QStringLiteral("lbl_dr_status_") + statusNames[r], r < 6 ? n("Zone %1:", r + 1) : "Master:", 10, normal,
                right);
            row(QStringLiteral("lbl_dr_status_value_") + statusValues[r], "Not Connected", 8, normal, left,
                statusValueStyle);
        }
        row("lbl_remote_status_2", "Status", anySize, bold);
        row("lbl_dr_status_value_pager", "Not Connected", 8, anyWeight, anyAlignment, statusValueStyle);
        row("lbl_page2_group1", "Group 1", anySize, bold);
        row("lbl_page2_group2", "Group 2", anySize, bold);

        for (int z = 1; z <= 6; ++z) {
            auto zrow = [&](const char* pattern, const char* text, int size, Weight weight = anyWeight,
                            Qt::Alignment alignment = anyAlignment) {
                row(n(pattern, z), QString::fromLatin1(text), size, weight, alignment);
            };
            zrow("lbl_zone%1_source", "Source", 9, bold);
            zrow("lbl_level_zone%1", "Level", 9, bold);
            zrow("lbl_level_value_zone%1", "0 dB", 8, anyWeight, right);
            zrow("lbl_level_min_zone_%1", "Min.", 8, anyWeight, centre);
            zrow("lbl_level_max_zone_%1", "Max.", 8, anyWeight, centre);
            zrow("lbl_level_eq_zone_%1", "EQ", 9, bold);
            const int eqSize = z >= 5 ? 10 : 8;
            zrow("lbl_zone%1_eq_lo", "Low", eqSize, anyWeight, centre);
            zrow("lbl_zone%1_eq_mid", "Mid", eqSize, anyWeight, centre);
            zrow("lbl_zone%1_eq_hi", "Hi", eqSize, anyWeight, centre);
            zrow("lbl_eq_lo_value_zone_%1", "0 dB", 8, anyWeight, right);
            zrow("lbl_eq_mid_value_zone_%1", "0 dB", 8, anyWeight, right);
            zrow("lbl_eq_hi_value_zone_%1", "0 dB", 8, anyWeight, right);
            zrow("lbl_zone%1_page_level", "Page Level", 9, bold);
            zrow("lbl_pagelevel_value_zone%1", "0 dB", 8, anyWeight, right);
            zrow("lbl_ducker_zone_%1", "Ducker Depth", 9, bold);
            zrow("lbl_ducker_value_zone%1", "0 dB", 8, anyWeight, right);
            zrow(z == 6 ? "lbl_hpf_zon%1" : "lbl_hpf_zone%1", "HPF", 9, bold);
            zrow("lbl_hpf_value_zone%1", "Off", 8, anyWeight, right);
            zrow("lbl_limiter_zone%1", "Limiter", 9, bold);
            zrow("lbl_limiter_value_zone%1", "0 dBFS", 8, anyWeight, right);
        }
        row("label_zones_linked_1", "Zones 1-2 Linked", 10, anyWeight, centre);
        row("label_zones_linked_2", "Zones 3-4 Linked", 10, anyWeight, centre);
        row("label_zones_linked_3", "Zones 5-6 Linked", 10, anyWeight, centre);

        for (int z = 1; z <= 6; ++z)
            row(n("label_name_zone%1", z), n("Zone %1:", z));
        const QList<QPair<const char*, const char*>> ranges = {
            {"12", "Zones 1-2:"}, {"23", "Zones 2-3:"}, {"34", "Zones 3-4:"}, {"45", "Zones 4-5:"},
            {"56", "Zones 5-6:"}, {"13", "Zones 1-3:"}, {"24", "Zones 2-4:"}, {"16", "All Zones:"},
            {"35", "Zones 3-5:"}, {"46", "Zones 4-6"},  {"14", "Zones 1-4:"}, {"25", "Zones 2-5:"},
            {"36", "Zones 3-6:"}, {"15", "Zones 1-5:"}, {"26", "Zones 2-6:"}};
        for (const auto& [zones, text] : ranges)
            row(QStringLiteral("label_name_zone") + zones, QString::fromLatin1(text));
        row("label_2",
            "These names are displayed on Digital Remotes that are connected to Zones or groups of linked "
            "Zones.",
            10);

        row("lbl_fw_version", "Firmware Version:", 10, anyWeight, left);
        row("lbl_fw_version_value", "", 10);
        row("lbl_serial", "Serial Number:", 10);
        row("lbl_serial_value", "", 10);
        row("lbl_hw_revision", "Hw Rev: ", 10);
        row("lbl_hw_revision_value", "", 10);
        row("label_connected", "FW Mismatch", 14, anyWeight, centre);
        row("label_update_fw", "Will not affect your settings.", 7, anyWeight, centre, "color:#333333");
        row("label_fw_update_status", "Updating Firmware...", 10);
        row("label_version", "Version 1.1.0", 10, normal, anyAlignment, "color:#878787");
    }
    void labels()
    {
        QFETCH(QString, text);
        QFETCH(int, size);
        QFETCH(int, weight);
        QFETCH(Qt::Alignment, alignment);
        QFETCH(QString, style);
        QLabel* label = widget<QLabel>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        if (size != anySize)
            QCOMPARE(label->font().pointSize(), size);
        if (weight != anyWeight)
            QCOMPARE(label->font().bold(), weight == bold);
        if (alignment != anyAlignment)
            QCOMPARE(label->alignment(), alignment);
        if (!style.isNull())
            QCOMPARE(label->styleSheet(), style);
    }

    void specialLabels()
    {
        QVERIFY(ui.label_2->font().italic());
        QCOMPARE(ui.label_2->font().pointSize(), 10);
        QVERIFY(ui.label_update_fw->font().italic());
        QCOMPARE(ui.label_version->font().family(), QStringLiteral("Ebrima"));
        QCOMPARE(ui.label_connected->frameShape(), QFrame::NoFrame);
        QCOMPARE(ui.label_connected->lineWidth(), 0);
    }

    void sliders_data()
    {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("pageStep");
        QTest::addColumn<int>("singleStep");
        auto row = [](const QString& name, int lo, int hi, int value = 0, int page = 10, int single = 1) {
            QTest::newRow(qPrintable(name)) << lo << hi << value << page << single;
        };
        for (int p = 1; p <= 6; ++p)
            row(n("vSlider_pgm%1_level", p), -80, 10);
        row("vSlider_page1_thresh_value", -80, 0, -40);
        row("vSlider_page2_trim_level_value", -40, 10);
        for (int k = 1; k <= 2; ++k) {
            row(n("vSlider_page%1_eq_lo", k), -6, 6, 0, 1);
            row(n("vSlider_page%1_eq_hi", k), -6, 6, 0, 1);
        }
        for (int z = 1; z <= 6; ++z) {
            row(n("hSlider_level_zone_%1", z), 0, 100);
            row(n("hSlider_eq_lo_zone%1", z), -6, 6, 0, 1);
            row(n("hSlider_eq_mid_zone%1", z), -6, 6, 0, 1);
            row(n("hSlider_eq_hi_zone%1", z), -6, 6, 0, 1);
            row(n("hSlider_page_level_zone%1", z), -40, 0);
            row(n("hSlider_ducker_depth_zone%1", z), -80, 0);
            row(n("hSlider_hpf_zone%1", z), 2, 12, 2, 1, 1);
            row(n("hSlider_limiter_zone%1", z), -40, 0);
        }
    }
    void sliders()
    {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, value);
        QFETCH(int, pageStep);
        QFETCH(int, singleStep);
        QSlider* slider = widget<QSlider>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(slider);
        QCOMPARE(slider->minimum(), minimum);
        QCOMPARE(slider->maximum(), maximum);
        QCOMPARE(slider->value(), value);
        QCOMPARE(slider->pageStep(), pageStep);
        QCOMPARE(slider->singleStep(), singleStep);
        // Every slider is horizontal, also those named vSlider_.
        QCOMPARE(slider->orientation(), Qt::Horizontal);
        QCOMPARE(slider->tickPosition(), QSlider::NoTicks);
        QVERIFY(slider->hasTracking());
    }

    void everySliderIsListed()
    {
        // Six program levels, threshold, trim, four paging EQ and eight per zone.
        QCOMPARE(window.findChildren<QSlider*>().size(), 6 + 2 + 4 + 6 * 8);
    }

    void comboBoxes_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("size");
        const QStringList chime = {"Off", "Low", "Med", "High"};
        for (int k = 1; k <= 2; ++k) {
            QTest::newRow(qPrintable(n("comboBox_page%1_prio", k))) << QStringList{"1", "2"} << 8;
            QTest::newRow(qPrintable(n("comboBox_page%1_chime", k))) << chime << 8;
        }
        const QStringList sources = {"None", "Pgm1", "Pgm2", "Pgm3", "Pgm4", "Pgm5", "Pgm6"};
        for (int z = 1; z <= 6; ++z)
            QTest::newRow(qPrintable(n("comboBox_zone%1_source", z))) << sources << 10;
        QTest::newRow("comboBox_deviceList") << QStringList{} << 10;
    }
    void comboBoxes()
    {
        QFETCH(QStringList, items);
        QFETCH(int, size);
        QComboBox* combo = widget<QComboBox>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(combo);
        QStringList actual;
        for (int i = 0; i < combo->count(); ++i)
            actual << combo->itemText(i);
        QCOMPARE(actual, items);
        QCOMPARE(combo->currentIndex(), items.isEmpty() ? -1 : 0);
        QCOMPARE(combo->font().pointSize(), size);
        QVERIFY(!combo->isEditable());
    }

    void deviceListIsNormalWeight() { QVERIFY(!ui.comboBox_deviceList->font().bold()); }

    void checkBoxes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("size");
        QTest::newRow("checkBox_page1_thresh_mode") << "Enabled" << anySize;
        QTest::newRow("checkBox_page2_phantom") << "+24V Phantom Power" << anySize;
        QTest::newRow("checkBox_page2_pad") << "Enable 13 dB Pad" << anySize;
        for (int g = 1; g <= 2; ++g)
            for (int z = 1; z <= 6; ++z)
                QTest::newRow(qPrintable(QString("checkBox_group%1_z_%2").arg(g).arg(z))) << n("Zone %1", z) << 8;
        QTest::newRow("checkBox_group_disable") << "Disable Pager Hold-to-Store" << 8;
        for (int z = 1; z <= 6; ++z)
            QTest::newRow(qPrintable(n("checkBox_priority_en_zone_%1", z))) << "Enable PGM 6 Priority" << 8;
    }
    void checkBoxes()
    {
        QFETCH(QString, text);
        QFETCH(int, size);
        QCheckBox* box = widget<QCheckBox>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(box);
        QCOMPARE(box->text(), text);
        if (size != anySize)
            QCOMPARE(box->font().pointSize(), size);
        QVERIFY(!box->isChecked());
    }

    void priorityBoxesHaveCustomContextMenu()
    {
        for (int z = 1; z <= 6; ++z)
            QCOMPARE(widget<QCheckBox>(n("checkBox_priority_en_zone_%1", z))->contextMenuPolicy(),
                     Qt::CustomContextMenu);
    }

    void lineEdits_data()
    {
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("weight");
        for (int p = 1; p <= 6; ++p)
            QTest::newRow(qPrintable(n("lineEdit_pgm_%1", p))) << 14 << 10 << int(bold);
        QTest::newRow("lineEdit_deviceName") << 29 << anySize << int(anyWeight);
        for (int z = 1; z <= 6; ++z)
            QTest::newRow(qPrintable(n("lineEdit_zone%1", z))) << 14 << anySize << int(anyWeight);
        for (const char* r : {"12", "23", "34", "45", "56", "13", "24", "35", "46", "14", "25", "36", "15", "26", "16"})
            QTest::newRow(qPrintable(QStringLiteral("lineEdit_zone") + r)) << 14 << anySize << int(anyWeight);
    }
    void lineEdits()
    {
        QFETCH(int, maxLength);
        QFETCH(int, size);
        QFETCH(int, weight);
        QLineEdit* edit = widget<QLineEdit>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(edit);
        QCOMPARE(edit->maxLength(), maxLength);
        QCOMPARE(edit->text(), QString());
        if (size != anySize)
            QCOMPARE(edit->font().pointSize(), size);
        if (weight != anyWeight)
            QCOMPARE(edit->font().bold(), weight == bold);
    }

    void spinBoxes_data()
    {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("value");
        for (int z = 1; z <= 6; ++z) {
            QTest::newRow(qPrintable(n("spinBox_level_min_zone_%1", z))) << -40 << 10 << -40;
            // Starts at 0 although it could go down to -39.
            QTest::newRow(qPrintable(n("spinBox_level_max_zone_%1", z))) << -39 << 10 << 0;
        }
    }
    void spinBoxes()
    {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, value);
        QSpinBox* spin = widget<QSpinBox>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(spin);
        QCOMPARE(spin->minimum(), minimum);
        QCOMPARE(spin->maximum(), maximum);
        QCOMPARE(spin->value(), value);
        QCOMPARE(spin->suffix(), QStringLiteral("dB"));
        QCOMPARE(spin->font().pointSize(), 8);
    }

    void buttons_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("size");
        QTest::newRow("pushButton_firmware") << "Update Firmware" << 9;
        QTest::newRow("pushButton_new_config") << "New Config" << 10;
        QTest::newRow("pushButton_open_config") << "Open Config" << 10;
        QTest::newRow("pushButton_save_config") << "Save Config As.." << 10;
    }
    void buttons()
    {
        QFETCH(QString, text);
        QFETCH(int, size);
        QPushButton* button = widget<QPushButton>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(button);
        QCOMPARE(button->text(), text);
        QCOMPARE(button->font().pointSize(), size);
    }

    void frames()
    {
        QCOMPARE(ui.frame_connected->frameShape(), QFrame::Box);
        QCOMPARE(ui.frame_connected->frameShadow(), QFrame::Raised);
        QCOMPARE(ui.line->frameShape(), QFrame::VLine);
        QCOMPARE(ui.line->frameShadow(), QFrame::Sunken);
        for (QFrame* f : {ui.frame_linked_1, ui.frame_linked_2, ui.frame_linked_3, ui.frame}) {
            QCOMPARE(f->frameShape(), QFrame::StyledPanel);
            QCOMPARE(f->frameShadow(), QFrame::Raised);
        }
        QCOMPARE(ui.frame->styleSheet(), QStringLiteral("border-image:url(:/images/zq40apptransparent.png);"));
    }

    void progressBar()
    {
        QCOMPARE(ui.progressBar_fw->orientation(), Qt::Horizontal);
        QCOMPARE(ui.progressBar_fw->value(), 24);
        QVERIFY(!ui.progressBar_fw->isTextVisible());
        QCOMPARE(ui.progressBar_fw->textDirection(), QProgressBar::TopToBottom);
    }

    void focusOrder()
    {
        QStringList expected;
        for (int p = 1; p <= 6; ++p)
            expected << n("vSlider_pgm%1_level", p);
        expected << "comboBox_page1_prio"
                 << "checkBox_page1_thresh_mode"
                 << "vSlider_page1_thresh_value"
                 << "vSlider_page1_eq_lo"
                 << "vSlider_page1_eq_hi"
                 << "comboBox_page1_chime";
        expected << "comboBox_page2_prio"
                 << "checkBox_page2_phantom"
                 << "checkBox_page2_pad"
                 << "vSlider_page2_trim_level_value"
                 << "vSlider_page2_eq_lo"
                 << "vSlider_page2_eq_hi"
                 << "comboBox_page2_chime";
        for (int g = 1; g <= 2; ++g)
            for (int z = 1; z <= 6; ++z)
                expected << QString("checkBox_group%1_z_%2").arg(g).arg(z);
        for (int z = 1; z <= 6; ++z)
            for (const char* p : {"comboBox_zone%1_source", "hSlider_level_zone_%1", "spinBox_level_min_zone_%1",
                                  "spinBox_level_max_zone_%1", "hSlider_eq_lo_zone%1", "hSlider_eq_mid_zone%1",
                                  "hSlider_eq_hi_zone%1", "checkBox_priority_en_zone_%1", "hSlider_page_level_zone%1",
                                  "hSlider_ducker_depth_zone%1", "hSlider_hpf_zone%1", "hSlider_limiter_zone%1"})
                expected << n(p, z);
        expected << "lineEdit_deviceName";
        for (int z = 1; z <= 6; ++z)
            expected << n("lineEdit_zone%1", z);
        for (const char* r : {"12", "23", "34", "45", "56", "13", "24", "35", "46", "14", "25", "36", "15", "26", "16"})
            expected << QStringLiteral("lineEdit_zone") + r;
        expected << "comboBox_deviceList"
                 << "pushButton_open_config"
                 << "pushButton_save_config"
                 << "tabWidget";

        // The listed widgets follow each other in the focus chain in this order.
        QWidget* w = widget<QWidget>(expected.first());
        QStringList chain;
        for (int steps = 0; w && steps < 2000 && chain.size() < expected.size(); ++steps, w = w->nextInFocusChain()) {
            if (expected.contains(w->objectName()) && !chain.contains(w->objectName()))
                chain << w->objectName();
        }
        QCOMPARE(chain, expected);
    }

    void connectionFrameFollowsConnectedProperty_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QColor>("top");
        QTest::addColumn<QColor>("bottom");
        QTest::newRow("true") << "true" << QColor(0x8E, 0xD9, 0x8E) << QColor(0x60, 0xB2, 0x60);
        QTest::newRow("false") << "false" << QColor(0xFF, 0xFF, 0xFF) << QColor(0xE8, 0xE8, 0xE8);
        QTest::newRow("mismatch") << "mismatch" << QColor(0xFF, 0xC5, 0x73) << QColor(0xFF, 0x95, 0x00);
    }
    void connectionFrameFollowsConnectedProperty()
    {
        QFETCH(QString, state);
        QFETCH(QColor, top);
        QFETCH(QColor, bottom);
        QFrame* frame = ui.frame_connected;
        frame->setProperty("connected", state);
        restyle(frame);
        const QImage image = frame->grab().toImage();
        const double h = image.height();
        for (int y : {4, 40, 75}) {
            const QColor seen = image.pixelColor(image.width() / 2, y);
            const QColor expected = mix(top, bottom, (y + 0.5) / h);
            QVERIFY2(near(seen, expected),
                     qPrintable(QString("row %1: %2, expected about %3").arg(y).arg(seen.name(), expected.name())));
        }
    }

    void statusLabelsFollowOnlineProperty_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QColor>("color");
        // The style sheet's colour names: green #008000, gray #808080, orange #FFA500.
        QTest::newRow("true") << "true" << QColor(0x00, 0x80, 0x00);
        QTest::newRow("false") << "false" << QColor(0x80, 0x80, 0x80);
        QTest::newRow("mismatch") << "mismatch" << QColor(0xFF, 0xA5, 0x00);
    }
    void statusLabelsFollowOnlineProperty()
    {
        QFETCH(QString, state);
        QFETCH(QColor, color);
        QStringList names = {"lbl_dr_status_value_pager"};
        for (const char* r : {"1", "2", "3", "4", "5", "6", "m"})
            names << QStringLiteral("lbl_dr_status_value_") + r;
        for (const QString& name : names) {
            QLabel* label = widget<QLabel>(name);
            label->setProperty("online", state);
            restyle(label);
            QCOMPARE(label->palette().color(QPalette::WindowText), color);
        }
    }

    // The longest text a remote's line shows, a mismatch with the model's
    // name, fits its label whole.
    void statusLabelsShowAWholeMismatch()
    {
        for (const char* r : {"1", "2", "3", "4", "5", "6", "m"}) {
            QLabel* label = widget<QLabel>(QStringLiteral("lbl_dr_status_value_") + r);
            const int needed = label->fontMetrics().horizontalAdvance(QStringLiteral("FW Mismatch (Tilo1)"));
            QVERIFY2(needed <= label->contentsRect().width(), r);
            QVERIFY(label->geometry().right() < widget<QGroupBox>("groupBox_dr_status")->width());
        }
    }

    // The limits the settings table gives the command line are the controls'.
    void settingsHaveTheLimitsOfTheirControls()
    {
        const QList<QPair<const char*, const char*>> controls = {
            {"Zone1.EQLo", "hSlider_eq_lo_zone1"},
            {"Zone1.EQMid", "hSlider_eq_mid_zone1"},
            {"Zone1.EQHi", "hSlider_eq_hi_zone1"},
            {"Zone1.PageLevel", "hSlider_page_level_zone1"},
            {"Zone1.DuckerDepth", "hSlider_ducker_depth_zone1"},
            {"Zone1.LimiterValue", "hSlider_limiter_zone1"},
            {"Inputs.Pgm1Level", "vSlider_pgm1_level"},
            {"Page1.Threshold", "vSlider_page1_thresh_value"},
            {"Page1.EQLo", "vSlider_page1_eq_lo"},
            {"Page2.Trim", "vSlider_page2_trim_level_value"},
        };
        for (const auto& [name, control] : controls) {
            const zq40::Setting* setting = zq40::findSetting(name);
            QSlider* slider = widget<QSlider>(control);
            QCOMPARE(setting->minimum, slider->minimum());
            QCOMPARE(setting->maximum, slider->maximum());
        }
        QCOMPARE(zq40::findSetting("Zone1.HighPassFreq")->maximum,
                 10 * widget<QSlider>("hSlider_hpf_zone1")->maximum());
        QCOMPARE(zq40::findSetting("Zone1.MinLevel")->minimum, widget<QSpinBox>("spinBox_level_min_zone_1")->minimum());
        QCOMPARE(zq40::findSetting("Zone1.MaxLevel")->minimum, widget<QSpinBox>("spinBox_level_max_zone_1")->minimum());
        QCOMPARE(zq40::findSetting("GroupLabels.Zone1Label")->maximum,
                 widget<QLineEdit>("lineEdit_zone1")->maxLength());
        QCOMPARE(zq40::findSetting("DeviceName.Name")->maximum, widget<QLineEdit>("lineEdit_deviceName")->maxLength());
        QCOMPARE(zq40::findSetting("Page1.ChimeLevel")->maximum,
                 widget<QComboBox>("comboBox_page1_chime")->count() - 1);
        QCOMPARE(zq40::findSetting("Zone1.Source")->maximum, widget<QComboBox>("comboBox_zone1_source")->count() - 1);
    }

    void logoFrameShowsTheLogo()
    {
        const QImage logo(QStringLiteral(":/images/zq40apptransparent.png"));
        QCOMPARE(logo.size(), QSize(295, 59));
        QVERIFY(logo.hasAlphaChannel());
    }

    void textsGoThroughTranslationWithClassContext()
    {
        RecordingTranslator translator;
        QCoreApplication::installTranslator(&translator);
        QMainWindow translatedWindow;
        Ui::MainWindow tui;
        tui.setupUi(&translatedWindow);
        QDialog translatedDialog;
        Ui::Dialog dui;
        dui.setupUi(&translatedDialog);
        QCoreApplication::removeTranslator(&translator);

        QCOMPARE(translatedWindow.windowTitle(), QStringLiteral("~Orlo ZQ40 - Offline"));
        QCOMPARE(tui.tabWidget->tabText(1), QStringLiteral("~Zone Outputs"));
        QCOMPARE(tui.groupBox_page1_settings->title(), QStringLiteral("~Page 1"));
        QCOMPARE(tui.label_pgm_1->text(), QStringLiteral("~Pgm1"));
        QCOMPARE(tui.comboBox_zone3_source->itemText(3), QStringLiteral("~Pgm3"));
        QCOMPARE(tui.checkBox_group2_z_4->text(), QStringLiteral("~Zone 4"));
        QCOMPARE(tui.spinBox_level_max_zone_2->suffix(), QStringLiteral("~dB"));
        QCOMPARE(tui.actionSave_Settings->text(), QStringLiteral("~Save to File"));
        QCOMPARE(dui.pushButton_done->text(), QStringLiteral("~Done"));
        QCOMPARE(translatedDialog.windowTitle(), QStringLiteral("~Orlo ZQ40"));
        // Style sheets are not texts for people.
        QVERIFY(!translatedWindow.styleSheet().startsWith(QLatin1Char('~')));
        QVERIFY(!tui.lbl_dr_status_value_1->styleSheet().startsWith(QLatin1Char('~')));

        QVERIFY(translator.seen.contains(QPair<QString, QString>{"MainWindow", "Names and Labels"}));
        QVERIFY(translator.seen.contains(QPair<QString, QString>{"MainWindow", "Not Connected"}));
        QVERIFY(translator.seen.contains(QPair<QString, QString>{"Dialog", "Program 6 Priority"}));
        for (const auto& [context, source] : std::as_const(translator.seen)) {
            if (source == "Program 6 Priority" || source == "Hold Time:")
                QCOMPARE(context, QStringLiteral("Dialog"));
            if (source == "Zone Outputs" || source == "Update Firmware")
                QCOMPARE(context, QStringLiteral("MainWindow"));
        }
    }

    void dialogForm()
    {
        QDialog dialog;
        Ui::Dialog dui;
        dui.setupUi(&dialog);
        QCOMPARE(dialog.objectName(), QStringLiteral("Dialog"));
        QCOMPARE(dialog.size(), QSize(188, 215));
        QVERIFY(dialog.minimumSize() != dialog.maximumSize());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Orlo ZQ40"));
        // Exactly the window's two group box rules.
        QCOMPARE(parseRules(dialog.styleSheet()), windowRules.mid(6, 2));

        QCOMPARE(dui.groupBoxPGM6->geometry(), QRect(8, 2, 171, 161));
        QCOMPARE(dui.groupBoxPGM6->font().pointSize(), 11);
        QCOMPARE(dui.groupBoxPGM6->title(), QStringLiteral("Program 6 Priority"));

        struct LabelRow {
            QLabel* label;
            QRect geometry;
            const char* text;
            Qt::Alignment alignment;
        };
        for (const LabelRow& r : {LabelRow{dui.lbl_pgm6_thresh, {19, 35, 61, 16}, "Threshold", left},
                                  LabelRow{dui.lbl_pgm6_thresh_value, {113, 58, 50, 16}, "-50 dBu", right},
                                  LabelRow{dui.lbl_pgm6_hold_time, {19, 90, 71, 16}, "Hold Time:", left},
                                  LabelRow{dui.lbl_pgm6_hold_value, {119, 119, 42, 16}, "30 sec", right}}) {
            QCOMPARE(r.label->parentWidget(), dui.groupBoxPGM6);
            QCOMPARE(r.label->geometry(), r.geometry);
            QCOMPARE(r.label->text(), QString::fromLatin1(r.text));
            QCOMPARE(r.label->font().pointSize(), 10);
            QCOMPARE(r.label->alignment(), r.alignment);
        }
        QCOMPARE(dui.vSlider_pgm6_thresh_value->geometry(), QRect(16, 59, 100, 20));
        QCOMPARE(dui.vSlider_pgm6_thresh_value->minimum(), -80);
        QCOMPARE(dui.vSlider_pgm6_thresh_value->maximum(), 0);
        QCOMPARE(dui.vSlider_pgm6_thresh_value->value(), -40);
        QCOMPARE(dui.vSlider_pgm6_hold_value->geometry(), QRect(16, 119, 100, 20));
        QCOMPARE(dui.vSlider_pgm6_hold_value->minimum(), 1);
        QCOMPARE(dui.vSlider_pgm6_hold_value->maximum(), 30);
        QCOMPARE(dui.vSlider_pgm6_hold_value->value(), 1);
        for (QSlider* s : {dui.vSlider_pgm6_thresh_value, dui.vSlider_pgm6_hold_value}) {
            QCOMPARE(s->parentWidget(), dui.groupBoxPGM6);
            QCOMPARE(s->orientation(), Qt::Horizontal);
        }
        QCOMPARE(dui.pushButton_defaults->parentWidget(), &dialog);
        QCOMPARE(dui.pushButton_defaults->geometry(), QRect(9, 176, 80, 26));
        QCOMPARE(dui.pushButton_defaults->text(), QStringLiteral("Defaults"));
        QCOMPARE(dui.pushButton_done->parentWidget(), &dialog);
        QCOMPARE(dui.pushButton_done->geometry(), QRect(99, 176, 80, 26));
        QCOMPARE(dui.pushButton_done->text(), QStringLiteral("Done"));
        QCOMPARE(dui.pushButton_defaults->font().pointSize(), 10);
        QCOMPARE(dui.pushButton_done->font().pointSize(), 10);
    }
};

QTEST_MAIN(FormTest)
#include "form_test.moc"
