// The main window: every control and component of the one window, placed,
// captioned and bound to its handlers as designed, and the window's own methods.
#pragma once

#include <string>

#include "chart/AverageFunction.h"
#include "chart/Chart.h"
#include "chart/LineSeries.h"
#include "net/IdIcmpClient.h"
#include "ui/BitBtn.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/Form.h"
#include "ui/GroupBox.h"
#include "ui/IdAntiFreeze.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/ListView.h"
#include "ui/PageControl.h"
#include "ui/Panel.h"
#include "ui/Shape.h"
#include "ui/SpeedButton.h"
#include "ui/SpinEdit.h"
#include "ui/Splitter.h"
#include "ui/StatusBar.h"
#include "ui/Timer.h"
#include "version/QKVersion.h"

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* AOwner);

  // The web addresses that the About page's links open.
  static constexpr const char* AuthorAddress = "https://quorvel.example.org/";
  static constexpr const char* ProgramsAddress = "https://quorvel.example.org/programs";
  static constexpr const char* ProgramSectionAddress =
      "https://quorvel.example.org/programs?section=quorvel";

  // Top panel: the host, the two times and the ping buttons.
  TPanel* Panel1;
  TLabel* Label1;
  TComboBox* cbHost;
  TBitBtn* BitBtnPing;
  TLabel* Label2;
  TSpinEdit* speTimeout;
  TLabel* Label3;
  TSpinEdit* speRepeat;
  TLabel* Label4;
  TSpeedButton* spbRepPing;

  // Bottom: the status bar, the panel with the chart and statistics, the splitter.
  TStatusBar* StatusBar1;
  TPanel* Panel2;
  TPanel* Panel3;
  TBitBtn* BitBtnClearData;
  TBitBtn* BitBtn1;
  TLabel* Label6;
  TLabel* lbAVG;
  TLabel* Label7;
  TLabel* lbErrorCount;
  TChart* Chart1;
  TLineSeries* Series1;
  TLineSeries* Series2;
  TAverageFunction* AverageFunction1;
  TSplitter* Splitter1;

  // The pages.
  TPageControl* PageControl1;
  TTabSheet* TabSheet1;
  TListView* ListView1;
  TTabSheet* TabSheet2;
  TListView* ListViewError;
  TTabSheet* TabSheet3;
  TGroupBox* GroupBox2;
  TLabel* Label5;
  TSpinEdit* speMaxLine;
  TCheckBox* chbErrLines;
  TGroupBox* GroupBox1;
  TCheckBox* chb3D;
  TCheckBox* chbGradient;
  TGroupBox* GroupBox3;
  TLabel* Label15;
  TSpinEdit* speMaxHosts;
  TTabSheet* TabSheet4;
  TShape* Shape1;
  TImage* Image1;
  TPanel* Panel4;
  TShape* Shape2;
  TLabel* Label9;
  TLabel* Label10;
  TLabel* Label12;
  TLabel* Label11;
  TLabel* Label16;
  TLabel* lbVersion;
  TLabel* Label13;
  TLabel* Label14;

  // Components without a place in the window.
  TIdIcmpClient* IdIcmpClient;
  TIdAntiFreeze* IdAntiFreeze1;
  TTimer* Timer1;
  TQKVersion* QKVersion1;

  // Told once "Clear Data" has cleared the reply log and the chart, for the
  // model beyond the designed window; not a designed event.
  TNotifyEvent OnDataCleared;

  // The running number of the replies plotted since the data were last cleared.
  double PingCount = 0;

  // The reply log, the error log and their statistics. ShowReply records an echo
  // reply as the top row of the reply log and a point of the chart and shows the
  // average again; LogError records any other outcome as the top row of the error
  // log and shows the error count. A log over its limit loses its oldest row first.
  void ShowReply(const TReplyStatus& AReplyStatus);
  void LogError(const TReplyStatus& AReplyStatus);
  // The mean of the reply log's trip time texts, 0 for an empty log.
  double AverageTripTime() const;

  void FormCreate(TComponent* Sender);
  void FormDestroy(TComponent* Sender);
  void BitBtnPingClick(TComponent* Sender);
  void spbRepPingClick(TComponent* Sender);
  void Timer1Timer(TComponent* Sender);
  void IdIcmpClientReply(TComponent* ASender, const TReplyStatus& AReplyStatus);
  void BitBtnClearDataClick(TComponent* Sender);
  void BitBtn1Click(TComponent* Sender);
  void chb3DClick(TComponent* Sender);
  void chbGradientClick(TComponent* Sender);
  void Label10Click(TComponent* Sender);
  void Label11Click(TComponent* Sender);
  void Label14Click(TComponent* Sender);
  void Label10MouseEnter(TComponent* Sender);
  void Label10MouseLeave(TComponent* Sender);

  // Shows the running program's file version on the About page.
  void ShowVersion();

  // The host history in the items of cbHost, newest first, kept in "host.txt".
  // Adds Host at the top unless an item equals it in ASCII letters of either
  // case, then drops the last item when there are more than speMaxHosts.
  void RememberHost(const std::string& Host);
  // Replaces the items by the file's first hosts, as many as the settings can
  // be set to remember, and selects the first; without a file, changes
  // nothing. Raises EFOpenError for a file it cannot read.
  void LoadHosts();
  // Writes the items to the file; raises EFCreateError when that fails. A
  // file that LoadHosts could not read is kept as it is.
  void SaveHosts();
  // The most bytes of a history file that SaveHosts writes: a list of the
  // most hosts the settings allow, each of the longest text the host box
  // takes, so that every history the window holds is saved and read back.
  std::size_t HostFileLimit() const;

 private:
  void CreateTopPanel();
  void CreateBottom();
  void CreatePages();
  void CreateLogPages();
  void CreateSettingsPage();
  void CreateAboutPage();
  void CreateComponents();
  void BindEvents();
  // A label of fixed size.
  TLabel* NewLabel(QWidget* AParent, const std::string& ACaption, int ALeft, int ATop, int AWidth,
                   int AHeight, TFontStyles AStyle, TAlignment AAlignment);
  // A label of the About page's link panel, sized to its text on white; a
  // link is also blue with the hand cursor.
  TLabel* NewAboutLabel(const std::string& ACaption, int ALeft, int ATop, TFontStyles AStyle);
  TLabel* NewLink(const std::string& ACaption, int ALeft, int ATop);
  TSpinEdit* NewSpinEdit(QWidget* AParent, int ALeft, int ATop, int AWidth, int AMin, int AMax,
                         int AValue, int ATabOrder);
  TCheckBox* NewCheckBox(QWidget* AParent, const std::string& ACaption, int ALeft, int ATop,
                         bool AChecked, int ATabOrder);
  TGroupBox* NewGroupBox(const std::string& ACaption, int ALeft, int ATabOrder);
  void OpenAddress(const char* Address);
  // Gives AField ALabel's caption, without its colon, as its accessible name.
  static void NameAfter(TLabel* ALabel, QWidget* AField);

  // The stored history could not be read in this run: the save keeps it
  // rather than replace it by a list that never held it.
  bool FHostFileUnread = false;
  // A ping waits for its answer; requests meanwhile are dropped.
  bool FPinging = false;
};

// The program's one window, while it exists.
extern TForm1* Form1;
