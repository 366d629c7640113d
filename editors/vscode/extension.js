// Starts `genera_scenario lsp` for line and service descriptions and hands it the open buffers.
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

function activate(context) {
  const command = vscode.workspace.getConfiguration('generaScenario').get('path') || 'genera_scenario';
  const server = { command, args: ['lsp'], transport: TransportKind.stdio };
  client = new LanguageClient('generaScenario', 'genera_scenario', { run: server, debug: server }, {
    documentSelector: [
      { scheme: 'file', language: 'genera-linea' },
      { scheme: 'file', language: 'genera-servizio' },
      { scheme: 'untitled', language: 'genera-linea' },
      { scheme: 'untitled', language: 'genera-servizio' }
    ]
  });
  context.subscriptions.push(client);
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
