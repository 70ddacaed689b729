#include "app/run_record.h"

#include "common/service_wait.h"

namespace merovix {
namespace {

std::string TransferOutcomeText(DownloadOutcome outcome) {
  switch (outcome) {
    case DownloadOutcome::Fetched: return "geladen";
    case DownloadOutcome::Current: return "bereits aktuell, nicht erneut geladen";
    case DownloadOutcome::UrlRefused: return "Adresse abgelehnt, nichts übertragen";
    case DownloadOutcome::NoTool: return "Übertragungsprogramm nicht gestartet";
    case DownloadOutcome::ToolFailed: return "fehlgeschlagen";
    case DownloadOutcome::NotPutInPlace: return "geladene Datei nicht abgelegt";
    case DownloadOutcome::Refused: return "verworfen und gelöscht";
    case DownloadOutcome::PastLimit: return "über die Zeit- oder Größengrenze hinaus, abgebrochen";
    case DownloadOutcome::NoWorkFolder: return "kein geschützter Arbeitsordner, nichts übertragen";
  }
  return "unbekannt";
}

std::string SignatureText(SignatureVerdict verdict) {
  switch (verdict) {
    case SignatureVerdict::kExpectedSigner: return "vom Hersteller signiert";
    case SignatureVerdict::kUnsigned: return "nicht signiert";
    case SignatureVerdict::kBadSignature: return "Signatur ungültig oder nicht vertrauenswürdig";
    case SignatureVerdict::kForeignSigner: return "von einem anderen Herausgeber signiert";
    case SignatureVerdict::kForeignKey:
      return "mit dem Namen des Herstellers, aber nicht mit seinem Schlüssel signiert";
  }
  return "unbekannt";
}

// The state of a service (SERVICE_STOPPED 1 ... SERVICE_PAUSED 7; 0: none
// could be read) in words.
std::string ServiceStateText(std::uint32_t state) {
  switch (state) {
    case 0: return "nicht lesbar";
    case kServiceStopped: return "beendet";
    case kServiceStartPending: return "wird gestartet";
    case kServiceStopPending: return "wird beendet";
    case kServiceRunning: return "wird ausgeführt";
    case 5: return "wird fortgesetzt";  // SERVICE_CONTINUE_PENDING
    case 6: return "wird angehalten";   // SERVICE_PAUSE_PENDING
    case kServicePaused: return "angehalten";
  }
  return "Zustand " + std::to_string(state);
}

// What Inno Setup's own exit codes mean; empty for any other code.
std::string InstallerExitCodeText(std::uint32_t code) {
  switch (code) {
    case 1: return "Setup konnte sich nicht initialisieren";
    case 2: return "vor Beginn der Installation abgebrochen";
    case 3: return "schwerer Fehler beim Übergang zur nächsten Installationsphase";
    case 4: return "schwerer Fehler während der Installation";
    case 5: return "während der Installation abgebrochen";
    case 6: return "Setup wurde gewaltsam beendet";
    case 7: return "die Vorbereitung der Installation ergab, dass sie nicht möglich ist";
    case 8: return "die Vorbereitung der Installation ergab, dass sie erst nach einem Neustart des PCs möglich ist";
    case 3010: return "installiert, zum Abschluss muss der PC neu gestartet werden";
  }
  return {};
}

std::string Attempts(int attempts) { return std::to_string(attempts) + (attempts == 1 ? " Versuch" : " Versuchen"); }

}  // namespace

std::string StartRecordLine(const std::string& version, const std::string& computer, const std::string& user) {
  return "Start: Update_Merovix " + version + ", Computer " + computer + ", Benutzer " + user;
}

std::string UpdateBranchRecordLine(const std::string& install_dir) {
  return "Update der Installation in " + install_dir;
}

std::string FallbackBranchRecordLine(const std::string& install_dir, bool unattended) {
  return "Keine Installation gefunden (" +
         (install_dir.empty() ? std::string("kein Installationsordner in der Registrierung")
                              : "Installationsordner " + install_dir + " fehlt") +
         (unattended ? "): im unbeaufsichtigten Lauf wird nichts geladen"
                     : "): Laden des Updates in einen Ordner nach Wahl");
}

std::string QuestionRecordLine(const std::string& question, const std::string& answer) {
  return "Frage: " + question + " Antwort: " + answer;
}

std::string MessageRecordLine(const std::string& text) { return "Meldung: " + text; }

std::string ErrorRecordLine(const std::string& text) { return "Fehler: " + text; }

std::string ArgumentRefusedRecordLine(const std::string& argument) {
  return "Unbekanntes Argument \"" + argument + "\" abgelehnt (bekannt ist nur /unattended): nichts getan";
}

std::string EndRecordLine(std::optional<int> exit_code) {
  return exit_code ? "Ende, Exit-Code " + std::to_string(*exit_code) : std::string("Ende");
}

std::string KeyNotDeletedRecordLine(const std::string& key, const std::string& file) {
  return "Schlüssel " + key + " in " + file + " konnte nicht gelöscht werden";
}

void RunRecord::Transfer(const char* what, const DownloadResult& result) {
  std::string line = std::string("Übertragung ") + what + ": " + Data(result.url) + " mit " + Data(result.tool) +
                     " nach " + Data(result.local_file) + ": " + TransferOutcomeText(result.outcome);
  if (result.signature) line += " (" + SignatureText(*result.signature) + ")";
  if (result.exit_code) line += ", Exit-Code " + std::to_string(*result.exit_code);
  Line(line);
}

void RunRecord::InstallerNotChecked() {
  Line(
      "Das Installationsprogramm wurde nicht auf die Signatur des Herstellers geprüft (kein Herausgeber im Programm "
      "festgelegt)");
}

void RunRecord::InstalledVersionCurrent(const std::string& version) {
  Line("Die installierte Version " + version + " ist aktuell; nichts zu tun.");
}

void RunRecord::OlderInstallerRemoved(const std::string& installer, const std::string& offered,
                                      const std::string& installed) {
  Line("Das Installationsprogramm " + Data(installer) + " (Version " + offered +
       ") ist älter als die installierte Version " + installed + ": gelöscht, nichts beendet, nichts ausgeführt");
}

void RunRecord::FolderChosen(const std::string& folder) { Line("Gewählter Ordner: " + Data(folder)); }

void RunRecord::ProgramStopped(const std::string& name, int attempts, bool still_running) {
  Line(Data(name) + (still_running ? ": läuft nach " : ": beendet nach ") + Attempts(attempts) +
       (still_running ? " noch" : ""));
}

void RunRecord::ProcessEndedById(const std::string& name, const std::string& id) {
  Line(Data(name) + ": Prozess " + Data(id) + " (gespeicherte Prozess-ID) beendet");
}

void RunRecord::ProcessEndedByCommand(const std::string& name, const std::string& command) {
  Line(Data(name) + ": wird beendet mit " + Data(command));
}

void RunRecord::ServiceNameRefused(const std::string& name) {
  Line("Dienstname " + Data(name) + " aus settings.ini abgelehnt (kein Dienst von Merovix), es gilt Merovix");
}

void RunRecord::ServiceStopped(const std::string& service, const std::string& command, std::uint32_t state_after) {
  Line("Dienst " + Data(service) + ": " + Data(command) + ", danach " + ServiceStateText(state_after));
}

void RunRecord::SignalFileCreated(const std::string& path) { Line("Signaldatei " + Data(path) + " angelegt"); }

void RunRecord::SignalFileTaken(bool taken, int polls) {
  Line(taken ? "Signaldatei vom Produkt abgeholt"
             : "Signaldatei nach " + std::to_string(polls) + " Abfragen nicht abgeholt");
}

void RunRecord::DesktopProgramEnded(const std::string& name, bool ended, std::uint32_t waited_ms) {
  Line(ended ? Data(name) + " hat sich beendet"
             : Data(name) + " läuft nach " + std::to_string(waited_ms / 1000) + " Sekunden noch");
}

void RunRecord::InstallerStarting(const std::string& command_line) {
  Line("Installationsprogramm: " + Data(command_line));
}

void RunRecord::InstallerEnded(std::optional<std::uint32_t> exit_code) {
  if (!exit_code) return Line("Installationsprogramm konnte nicht gestartet werden");
  const std::string meaning = InstallerExitCodeText(*exit_code);
  Line("Installationsprogramm beendet, Exit-Code " + std::to_string(*exit_code) +
       (meaning.empty() ? "" : " (" + meaning + ")"));
}

void RunRecord::SignalFileRemoved(const std::string& path) {
  Line("Nicht abgeholte Signaldatei " + Data(path) + " entfernt");
}

void RunRecord::ServiceRestarted(const std::string& service, std::uint32_t state) {
  Line("Neustart Dienst " + Data(service) + (state == kServiceRunning ? ": " : " fehlgeschlagen: ") +
       ServiceStateText(state));
}

void RunRecord::DesktopProgramRestarted(const std::string& path, bool started) {
  Line("Neustart " + Data(path) + (started ? ": gestartet" : " fehlgeschlagen: nicht gestartet"));
}

void RunRecord::DesktopProgramStillRunning(const std::string& path) {
  Line("Neustart " + Data(path) + " entfällt: das Programm läuft");
}

void RunRecord::DesktopRestartSkipped(const std::string& path) {
  Line("Neustart " + Data(path) +
       " übersprungen: Das Update läuft unter dem lokalen Systemkonto, dort liefe das Programm für niemanden "
       "sichtbar");
}

}  // namespace merovix
