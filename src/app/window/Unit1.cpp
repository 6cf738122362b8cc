#include "app/window/Unit1.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QScopedValueRollback>

#include "app/window/AboutPicture.h"
#include "app/window/HostFile.h"
#include "app/window/HostStore.h"
#include "app/window/LogFormat.h"
#include "chart/ResponseChart.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"
#include "ui/Screen.h"
#include "ui/ShellApi.h"

TForm1* Form1 = nullptr;

namespace {

// The widths of the list columns, as designed; column 1 is the row's caption.
struct TColumnDesign {
  const char* Caption;
  int Width;
};

void AddColumns(TListView* ListView, std::initializer_list<TColumnDesign> Columns) {
  bool First = true;
  for (const TColumnDesign& Column : Columns) {
    ListView->Columns()->Add(Column.Caption, Column.Width, First ? taLeftJustify : taCenter);
    First = false;
  }
}

// The reply log's column of trip times; column 0 holds the captions.
constexpr int TripTimeColumn = 4;

// Enter in an edit field clicks a button, once, while the button can be
// clicked. Taken before the field sees it: a field inside a drop-down box
// passes an Enter back to the box, which hands it to the field again.
class TEnterClicks : public QObject {
 public:
  TEnterClicks(QWidget* AField, QAbstractButton* AButton) : QObject(AField), FButton(AButton) {
    AField->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* AEvent) override {
    if (AEvent->type() != QEvent::KeyPress) return false;
    const int Key = static_cast<QKeyEvent*>(AEvent)->key();
    if (Key != Qt::Key_Return && Key != Qt::Key_Enter) return false;
    if (FButton->isEnabled()) FButton->click();
    return true;
  }

 private:
  QAbstractButton* FButton;
};

void SetReportStyle(TListView* ListView) {
  ListView->SetAlign(alClient);
  ListView->SetGridLines(true);
  ListView->SetRowSelect(true);
  ListView->SetReadOnly(true);
  ListView->SetMultiSelect(false);
}

}  // namespace

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
  SetName("Form1");
  SetCaption("QK Quorvel");
  SetPosition(379, 238);
  SetClientSize(574, 455);
  CreateTopPanel();
  CreateBottom();
  CreatePages();
  CreateComponents();
  BindEvents();
  ApplyTabOrder();
}

TLabel* TForm1::NewLabel(QWidget* AParent, const std::string& ACaption, int ALeft, int ATop,
                         int AWidth, int AHeight, TFontStyles AStyle, TAlignment AAlignment) {
  auto* Label = new TLabel(this, AParent);
  Label->SetAutoSize(false);
  Label->SetCaption(ACaption);
  Label->SetAlignment(AAlignment);
  Label->SetFontStyle(AStyle);
  Label->SetBounds(ALeft, ATop, AWidth, AHeight);
  return Label;
}

TLabel* TForm1::NewAboutLabel(const std::string& ACaption, int ALeft, int ATop,
                              TFontStyles AStyle) {
  auto* Label = new TLabel(this, Panel4);
  Label->SetAutoSize(true);
  Label->SetFontStyle(AStyle);
  Label->SetColor(clWhite);
  Label->SetCaption(ACaption);
  Label->SetBounds(ALeft, ATop, Label->Width(), Label->Height());
  return Label;
}

TLabel* TForm1::NewLink(const std::string& ACaption, int ALeft, int ATop) {
  TLabel* const Label = NewAboutLabel(ACaption, ALeft, ATop, {});
  Label->SetFontColor(clBlue);
  Label->SetCursor(crHandPoint);
  return Label;
}

TSpinEdit* TForm1::NewSpinEdit(QWidget* AParent, int ALeft, int ATop, int AWidth, int AMin,
                               int AMax, int AValue, int ATabOrder) {
  auto* Edit = new TSpinEdit(this, AParent);
  Edit->SetMinValue(AMin);
  Edit->SetMaxValue(AMax);
  Edit->SetValue(AValue);
  Edit->SetIncrement(1);
  Edit->SetBounds(ALeft, ATop, AWidth, 22);
  Edit->SetTabOrder(ATabOrder);
  return Edit;
}

TCheckBox* TForm1::NewCheckBox(QWidget* AParent, const std::string& ACaption, int ALeft, int ATop,
                               bool AChecked, int ATabOrder) {
  auto* Box = new TCheckBox(this, AParent);
  Box->SetCaption(ACaption);
  // The designed state is set before any handler is bound.
  Box->SetChecked(AChecked);
  Box->SetBounds(ALeft, ATop, 97, 17);
  Box->SetTabOrder(ATabOrder);
  return Box;
}

TGroupBox* TForm1::NewGroupBox(const std::string& ACaption, int ALeft, int ATabOrder) {
  auto* Box = new TGroupBox(this, TabSheet3);
  Box->SetCaption(ACaption);
  Box->SetBounds(ALeft, 4, 180, 181);
  Box->SetTabOrder(ATabOrder);
  return Box;
}

void TForm1::CreateTopPanel() {
  Panel1 = new TPanel(this, this);
  Panel1->SetName("Panel1");
  Panel1->SetHeight(66);
  Panel1->SetMinWidth(574);
  Panel1->SetAlign(alTop);
  Panel1->SetTabOrder(1);
  const TFontStyles Bold{fsBold};
  Label1 = NewLabel(Panel1, "Host adress:", 5, 15, 100, 13, Bold, taRightJustify);
  cbHost = new TComboBox(this, Panel1);
  cbHost->SetBounds(112, 11, 337, 21);
  cbHost->SetItemHeight(13);
  cbHost->SetDropDownCount(8);
  cbHost->SetAutoComplete(true);
  cbHost->SetText("172.16.0.1");
  cbHost->SetTabOrder(3);
  BitBtnPing = new TBitBtn(this, Panel1);
  BitBtnPing->SetCaption("Single Ping");
  BitBtnPing->SetBounds(456, 8, 113, 26);
  BitBtnPing->SetTabOrder(0);
  Label2 = NewLabel(Panel1, "Receive Timeout:", 4, 40, 101, 13, Bold, taRightJustify);
  speTimeout = NewSpinEdit(Panel1, 111, 36, 66, 100, 10000, 1000, 1);
  Label3 = NewLabel(Panel1, "Time to repeat:", 262, 41, 97, 13, Bold, taRightJustify);
  speRepeat = NewSpinEdit(Panel1, 365, 37, 61, 1000, 100000, 1000, 2);
  Label4 = NewLabel(Panel1, "[ms]", 426, 41, 26, 13, Bold, taLeftJustify);
  spbRepPing = new TSpeedButton(this, Panel1);
  spbRepPing->SetCaption("Start repeat Ping");
  spbRepPing->SetGroupIndex(2);
  spbRepPing->SetAllowAllUp(true);
  spbRepPing->SetBounds(456, 35, 113, 25);
  // The toggle takes no focus; the keyboard reaches it by its shortcut.
  spbRepPing->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  spbRepPing->setToolTip(QStringLiteral("Starts or ends the repeated ping (%1)")
                             .arg(spbRepPing->shortcut().toString(QKeySequence::NativeText)));
  for (const auto& [Label, Field] :
       {std::pair<TLabel*, QWidget*>{Label1, cbHost}, {Label2, speTimeout}, {Label3, speRepeat}})
    NameAfter(Label, Field);
}

void TForm1::NameAfter(TLabel* ALabel, QWidget* AField) {
  ALabel->setBuddy(AField);
  QString Name = ALabel->text().trimmed();
  if (Name.endsWith(u':')) Name.chop(1);
  AField->setAccessibleName(Name);
}

void TForm1::CreateBottom() {
  // Bottom-aligned controls stack upwards in the order they are aligned.
  StatusBar1 = new TStatusBar(this, this);
  StatusBar1->SetSimplePanel(false);
  StatusBar1->SetSizeGrip(true);
  StatusBar1->SetHeight(19);
  StatusBar1->SetAlign(alBottom);
  Panel2 = new TPanel(this, this);
  Panel2->SetName("Panel2");
  Panel2->SetHeight(150);
  Panel2->SetAlign(alBottom);
  Panel2->SetTabOrder(2);
  Splitter1 = new TSplitter(this, this);
  Splitter1->SetHeight(4);
  Splitter1->SetCursor(crVSplit);
  Splitter1->SetMinSize(30);
  Splitter1->SetAutoSnap(true);
  Splitter1->SetResizeStyle(rsPattern);
  Splitter1->SetAlign(alBottom);

  Panel3 = new TPanel(this, Panel2);
  Panel3->SetName("Panel3");
  Panel3->SetWidth(125);
  Panel3->SetAlign(alRight);
  Panel3->SetTabOrder(0);
  BitBtnClearData = new TBitBtn(this, Panel3);
  BitBtnClearData->SetCaption("Clear Data");
  BitBtnClearData->SetBounds(8, 3, 105, 24);
  BitBtnClearData->SetTabOrder(0);
  BitBtn1 = new TBitBtn(this, Panel3);
  BitBtn1->SetCaption("Clear Error Logs");
  BitBtn1->SetBounds(8, 27, 105, 24);
  BitBtn1->SetTabOrder(1);
  const TFontStyles Bold{fsBold};
  Label6 = NewLabel(Panel3, "AVG Trip Time:", 12, 67, 101, 13, Bold, taCenter);
  lbAVG = NewLabel(Panel3, "000000", 8, 83, 110, 13, {}, taCenter);
  Label7 = NewLabel(Panel3, "Error count:", 12, 99, 101, 13, Bold, taCenter);
  lbErrorCount = NewLabel(Panel3, "000000", 8, 113, 110, 13, {}, taCenter);

  Chart1 = new TChart(this, Panel2);
  Chart1->SetAlign(alClient);
  Chart1->SetTabOrder(1);
  Series1 = new TLineSeries(this);
  Series2 = new TLineSeries(this);
  AverageFunction1 = new TAverageFunction(this);
  SetUpResponseChart(Chart1, Series1, Series2, AverageFunction1);
}

void TForm1::CreatePages() {
  PageControl1 = new TPageControl(this, this);
  PageControl1->SetName("PageControl1");
  PageControl1->SetAlign(alClient);
  PageControl1->SetTabOrder(3);
  CreateLogPages();
  CreateSettingsPage();
  CreateAboutPage();
  // The design data keep the About page selected.
  PageControl1->SetActivePage(TabSheet4);
}

void TForm1::CreateLogPages() {
  TabSheet1 = new TTabSheet(this, PageControl1);
  TabSheet1->SetCaption("Ping information");
  ListView1 = new TListView(this, TabSheet1);
  SetReportStyle(ListView1);
  AddColumns(ListView1, {{"Adress From", 100},
                         {"Bytes", 40},
                         {"Type", 40},
                         {"Seq.ID", 80},
                         {"Trip time [ms]", 100},
                         {"Time to Live", 100}});
  // The average reads the trip times as the numbers that the log keeps of their texts.
  ListView1->Items()->KeepNumbers(TripTimeColumn, TripTimeValue);
  TabSheet2 = new TTabSheet(this, PageControl1);
  TabSheet2->SetCaption("Error logs");
  ListViewError = new TListView(this, TabSheet2);
  SetReportStyle(ListViewError);
  AddColumns(ListViewError, {{"Adress", 100},
                             {"Bytes", 40},
                             {"Type", 40},
                             {"Seq.ID", 60},
                             {"Trip time [ms]", 80},
                             {"Date/Time", 130},
                             {"Status", 100}});
}

void TForm1::CreateSettingsPage() {
  TabSheet3 = new TTabSheet(this, PageControl1);
  TabSheet3->SetCaption("Setings");
  const TFontStyles Bold{fsBold};
  GroupBox2 = NewGroupBox(" Data and Logs ", 6, 1);
  Label5 = NewLabel(GroupBox2, "Lines remember:", 36, 48, 101, 13, Bold, taCenter);
  speMaxLine = NewSpinEdit(GroupBox2, 35, 65, 102, 10, 10000, 100, 0);
  chbErrLines = NewCheckBox(GroupBox2, "Linet for Errors", 40, 96, false, 1);
  GroupBox1 = NewGroupBox(" Graph ", 190, 0);
  chb3D = NewCheckBox(GroupBox1, "3D Graph", 48, 56, false, 0);
  chbGradient = NewCheckBox(GroupBox1, " Gradient", 48, 79, true, 1);
  GroupBox3 = NewGroupBox(" Hosts and Ping  ", 374, 2);
  Label15 = NewLabel(GroupBox3, "Hosts remember:", 36, 48, 101, 13, Bold, taCenter);
  speMaxHosts = NewSpinEdit(GroupBox3, 35, 65, 102, 5, 100, 10, 0);
  NameAfter(Label5, speMaxLine);
  NameAfter(Label15, speMaxHosts);
}

void TForm1::CreateAboutPage() {
  TabSheet4 = new TTabSheet(this, PageControl1);
  TabSheet4->SetCaption("About");
  Panel4 = new TPanel(this, TabSheet4);
  Panel4->SetName("Panel4");
  Panel4->SetBevelOuter(bvNone);
  Panel4->SetWidth(133);
  Panel4->SetAlign(alRight);
  Shape1 = new TShape(this, TabSheet4);
  Shape1->SetAlign(alClient);
  // Drawn over the shape: the picture at its natural size in the middle.
  Image1 = new TImage(this, TabSheet4);
  Image1->SetAlign(alClient);
  Image1->SetCenter(true);
  Image1->SetStretch(false);
  Image1->SetTransparent(false);
  Image1->LoadPicture(AboutPictureBitmap());

  // The labels are made after the shape, so they lie on top of it.
  Shape2 = new TShape(this, Panel4);
  Shape2->SetAlign(alClient);
  const TFontStyles Bold{fsBold};
  Label9 = NewAboutLabel("Author website:", 7, 5, Bold);
  Label10 = NewLink("QK Tools", 7, 19);
  Label12 = NewAboutLabel("Program website:", 7, 37, Bold);
  Label11 = NewLink("QK Tools - QK Quorvel", 7, 51);
  Label16 = NewAboutLabel("Program version:", 7, 72, Bold);
  lbVersion = NewLabel(Panel4, "1.0.1.4", 7, 86, 120, 13, Bold, taCenter);
  lbVersion->SetColor(clWhite);
  Label13 = NewAboutLabel("Programing:", 8, 144, Bold);
  Label14 = NewLink("QK Tools", 8, 159);
}

void TForm1::CreateComponents() {
  IdIcmpClient = new TIdIcmpClient(this);
  IdIcmpClient->SetName("IdIcmpClient");
  IdIcmpClient->SetReceiveTimeout(500);
  IdAntiFreeze1 = new TIdAntiFreeze(this);
  IdAntiFreeze1->SetName("IdAntiFreeze1");
  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(1000);
  QKVersion1 = new TQKVersion(this);
  QKVersion1->SetName("QKVersion1");
}

void TForm1::BindEvents() {
  OnCreate = [this](TComponent* Sender) { FormCreate(Sender); };
  OnDestroy = [this](TComponent* Sender) { FormDestroy(Sender); };
  BitBtnPing->OnClick = [this](TComponent* Sender) { BitBtnPingClick(Sender); };
  new TEnterClicks(cbHost->lineEdit(), BitBtnPing);
  spbRepPing->OnClick = [this](TComponent* Sender) { spbRepPingClick(Sender); };
  Timer1->OnTimer = [this](TComponent* Sender) { Timer1Timer(Sender); };
  IdIcmpClient->OnReply = [this](TComponent* ASender, const TReplyStatus& AReplyStatus) {
    IdIcmpClientReply(ASender, AReplyStatus);
  };
  BitBtnClearData->OnClick = [this](TComponent* Sender) { BitBtnClearDataClick(Sender); };
  BitBtn1->OnClick = [this](TComponent* Sender) { BitBtn1Click(Sender); };
  chb3D->OnClick = [this](TComponent* Sender) { chb3DClick(Sender); };
  chbGradient->OnClick = [this](TComponent* Sender) { chbGradientClick(Sender); };
  Label10->OnClick = [this](TComponent* Sender) { Label10Click(Sender); };
  Label11->OnClick = [this](TComponent* Sender) { Label11Click(Sender); };
  Label14->OnClick = [this](TComponent* Sender) { Label14Click(Sender); };
  for (TLabel* const Link : {Label10, Label11, Label14}) {
    Link->OnMouseEnter = [this](TComponent* Sender) { Label10MouseEnter(Sender); };
    Link->OnMouseLeave = [this](TComponent* Sender) { Label10MouseLeave(Sender); };
  }
}

void TForm1::FormCreate(TComponent* Sender) {
  CallEvent(BitBtnClearData->OnClick, Sender);
  PageControl1->SetActivePage(TabSheet1);
  ShowVersion();
  LoadHosts();
}

void TForm1::FormDestroy(TComponent*) { SaveHosts(); }

void TForm1::BitBtnPingClick(TComponent*) {
  // The client sends one request at a time. A click or tick that comes while a
  // ping waits is dropped: a repeat's next tick comes anyway, and deferred
  // requests would follow each other without a pause.
  if (FPinging) return;
  const QScopedValueRollback Pinging(FPinging, true);
  // Remembered first, so a host whose ping then fails is in the history too.
  RememberHost(cbHost->Text());
  IdIcmpClient->SetReceiveTimeout(speTimeout->Value());
  IdIcmpClient->SetHost(cbHost->Text());
  IdIcmpClient->PingHost();
}

void TForm1::spbRepPingClick(TComponent*) {
  const bool Repeating = spbRepPing->Down();
  spbRepPing->SetCaption(Repeating ? "End repeat Ping" : "Start repeat Ping");
  if (Repeating) {
    // The toggle takes no focus, so the interval box may still hold what was
    // typed into it: it is set into its range first, and the interval used is
    // the one it shows.
    speRepeat->SetValue(speRepeat->Value());
    Timer1->SetInterval(static_cast<unsigned>(speRepeat->Value()));
    Timer1->SetEnabled(true);
  } else {
    // Stopping a timer cannot be refused, so the controls always come back.
    Timer1->SetEnabled(false);
  }
  for (TControl* const Setting : std::initializer_list<TControl*>{
           speRepeat, cbHost, BitBtnPing, speTimeout, speMaxLine, chbErrLines, speMaxHosts})
    Setting->SetEnabled(!Repeating);
}

namespace {

// Shows the hourglass while it lives; the default cursor is back before an
// exception that ends its scope is shown.
struct TBusyCursor {
  TBusyCursor() { Screen->SetCursor(crHourGlass); }
  ~TBusyCursor() { Screen->SetCursor(crDefault); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

}  // namespace

void TForm1::Timer1Timer(TComponent*) {
  // A tick during a single ping is dropped without touching the cursor.
  if (FPinging) return;
  const TBusyCursor Busy;
  BitBtnPing->OnClick(Timer1);
}

void TForm1::IdIcmpClientReply(TComponent*, const TReplyStatus& AReplyStatus) {
  if (AReplyStatus.Status == rsEcho)
    ShowReply(AReplyStatus);
  else
    LogError(AReplyStatus);
}

// ---- The reply log, the error log and their statistics

namespace {

// The columns that both logs show after their first one, in their order.
void AddRecordTexts(TSubItems Texts, const TReplyStatus& AReplyStatus) {
  Texts.Add(IntToStr(AReplyStatus.ByteCount));
  Texts.Add(IntToStr(AReplyStatus.MessageType));
  Texts.Add(IntToStr(AReplyStatus.SequenceNumber));
  Texts.Add(IntToStr(AReplyStatus.RoundTripMs));
}

// Makes room for one row in a log that holds more rows than its limit: at most
// one row goes per entry, so a log holds the limit plus one rows, and one that a
// lower limit finds longer keeps its length.
bool TrimOldest(TListItems* Rows, int Limit) {
  if (Rows->Count() <= Limit) return false;
  Rows->Delete(Rows->Count() - 1);
  return true;
}

}  // namespace

void TForm1::ShowReply(const TReplyStatus& AReplyStatus) {
  PingCount = PingCount + 1;
  // The oldest point goes with the oldest row, so the chart shows the rows of the log.
  if (TrimOldest(ListView1->Items(), speMaxLine->Value())) Chart1->Series(0)->Delete(0);
  TListItem Row = ListView1->Items()->Insert(0);
  Row.SetCaption(AReplyStatus.FromAddress);
  AddRecordTexts(Row.SubItems(), AReplyStatus);
  Row.SubItems().Add(IntToStr(AReplyStatus.Ttl));
  Chart1->Series(0)->AddXY(PingCount, static_cast<double>(AReplyStatus.RoundTripMs));
  Chart1->Series(1)->CheckDataSource();
  lbAVG->SetCaption(AverageText(AverageTripTime(), LogSeparators(QLocale())));
}

void TForm1::LogError(const TReplyStatus& AReplyStatus) {
  if (chbErrLines->Checked()) TrimOldest(ListViewError->Items(), speMaxLine->Value());
  TListItem Row = ListViewError->Items()->Insert(0);
  // The host as the box holds it now, which need not be the address that answered.
  Row.SetCaption(cbHost->Text());
  AddRecordTexts(Row.SubItems(), AReplyStatus);
  Row.SubItems().Add(TimeStampText(QDateTime::currentDateTime(), LogSeparators(QLocale()).Time));
  Row.SubItems().Add(StatusName(AReplyStatus.Status));
  lbErrorCount->SetCaption(IntToStr(ListViewError->Items()->Count()));
}

double TForm1::AverageTripTime() const {
  TListItems* const Rows = ListView1->Items();
  const int Count = Rows->Count();
  if (Count == 0) return 0;
  // Every trip time text, read as the number that was made of it when it was written.
  double Sum = 0;
  for (int Index = 0; Index < Count; ++Index) Sum += Rows->Number(Index);
  return Sum / Count;
}

void TForm1::BitBtnClearDataClick(TComponent*) {
  ListView1->Items()->Clear();
  Chart1->Series(0)->Clear();
  PingCount = 0;
  CallEvent(OnDataCleared, this);
}

void TForm1::BitBtn1Click(TComponent*) { ListViewError->Items()->Clear(); }

void TForm1::chb3DClick(TComponent*) { Chart1->SetView3D(chb3D->Checked()); }

void TForm1::chbGradientClick(TComponent*) {
  Chart1->Gradient().SetVisible(chbGradient->Checked());
}

void TForm1::OpenAddress(const char* Address) {
  // Whether the page opened is the shell's business; nothing is reported.
  ShellExecuteA(this, "open", Address, nullptr, nullptr, SW_SHOWNORMAL);
}

void TForm1::Label10Click(TComponent*) { OpenAddress(AuthorAddress); }

void TForm1::Label11Click(TComponent*) { OpenAddress(ProgramsAddress); }

void TForm1::Label14Click(TComponent*) { OpenAddress(ProgramSectionAddress); }

void TForm1::Label10MouseEnter(TComponent* Sender) {
  dynamic_cast<TLabel&>(*Sender).SetFontStyle({fsUnderline});
}

void TForm1::Label10MouseLeave(TComponent* Sender) {
  dynamic_cast<TLabel&>(*Sender).SetFontStyle({});
}

void TForm1::ShowVersion() {
  QKVersion1->SetFileName(QCoreApplication::applicationFilePath().toLocal8Bit().toStdString());
  lbVersion->SetCaption(QKVersion1->VersionText());
}

void TForm1::RememberHost(const std::string& Host) {
  TComboBoxItems& Items = cbHost->Items();
  bool Known = false;
  for (int Index = 0; Index < Items.Count() && !Known; ++Index)
    Known = SameText(Items[Index], Host);
  if (!Known) Items.Insert(0, Host);
  if (Items.Count() > speMaxHosts->Value()) Items.Delete(Items.Count() - 1);
}

void TForm1::LoadHosts() {
  const std::string FileName = HostFileName();
  if (!HostFileExists(FileName)) return;
  // Clearing the items would clear the text too; the text stays.
  const std::string Text = cbHost->Text();
  cbHost->Items().Clear();
  cbHost->SetText(Text);
  // Until the file has been read, a save must not replace it. Only the hosts
  // the settings can remember are read: a longer file is never held whole.
  FHostFileUnread = true;
  const std::vector<std::string> Hosts = LoadHostFile(
      FileName, static_cast<std::size_t>(speMaxHosts->MaxValue()), cbHost->MaxTextBytes());
  FHostFileUnread = false;
  for (const std::string& Host : Hosts) cbHost->Items().Add(Host);
  if (cbHost->Items().Count() > 0) cbHost->SetItemIndex(0);
}

void TForm1::SaveHosts() {
  if (FHostFileUnread) return;
  std::vector<std::string> Hosts;
  Hosts.reserve(static_cast<std::size_t>(cbHost->Items().Count()));
  for (int Index = 0; Index < cbHost->Items().Count(); ++Index)
    Hosts.push_back(cbHost->Items()[Index]);
  SaveHostFile(HostFileName(), Hosts, HostFileLimit());
}

std::size_t TForm1::HostFileLimit() const {
  return HostFileSize(static_cast<std::size_t>(speMaxHosts->MaxValue()), cbHost->MaxTextBytes());
}
