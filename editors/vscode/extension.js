// Starts `genera_scenario lsp` for line and service descriptions and hands it the open buffers
// and the settings of the timetable (sent again whenever they change).
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

function timetableSettings() {
  const settings = vscode.workspace.getConfiguration('generaScenario');
  return { timetable: settings.get('timetable'), trainModel: settings.get('trainModel') };
}

function activate(context) {
  const command = vscode.workspace.getConfiguration('generaScenario').get('path') || 'genera_scenario';
  // A relative trainModel is read from the first workspace folder, where the server starts.
  const folders = vscode.workspace.workspaceFolders;
  const options = folders && folders.length > 0 ? { cwd: folders[0].uri.fsPath } : {};
  const server = { command, args: ['lsp'], transport: TransportKind.stdio, options };
  client = new LanguageClient('generaScenario', 'genera_scenario', { run: server, debug: server }, {
    documentSelector: [
      { scheme: 'file', language: 'genera-linea' },
      { scheme: 'file', language: 'genera-servizio' },
      { scheme: 'untitled', language: 'genera-linea' },
      { scheme: 'untitled', language: 'genera-servizio' }
    ],
    initializationOptions: timetableSettings(),
    synchronize: { configurationSection: 'generaScenario' }
  });
  context.subscriptions.push(client);
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
