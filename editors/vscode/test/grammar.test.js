// Tokenises lines of both formats with the grammars as VS Code would, and checks the scope
// given to chosen pieces of text. Each row: grammar, line, text within the line, scope it must
// carry (or `null` when no genera scope may be on it).
const fs = require('fs');
const path = require('path');
const vsctm = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const root = path.join(__dirname, '..');
const examples = path.join(root, '..', '..', 'examples');
const grammars = {
  'source.genera-linea': path.join(root, 'syntaxes', 'genera-linea.tmLanguage.json'),
  'source.genera-servizio': path.join(root, 'syntaxes', 'genera-servizio.tmLanguage.json'),
};
const LINEA = 'source.genera-linea';
const SERVIZIO = 'source.genera-servizio';

// Lines taken from the examples, so a change of the examples' layout shows here too.
function example_line(file, start) {
  const line = fs.readFileSync(path.join(examples, file), 'latin1').split(/\r\n/).find((l) => l.startsWith(start));
  if (line === undefined) throw new Error(`${file}: no line starts with "${start}"`);
  return line;
}
const L = (start) => example_line('Sorvanta_linea.txt', start);
const S = (start) => example_line('Sorvanta_E48027-.txt', start);

const cases = [
  [LINEA, L('[generale]'), 'generale', 'entity.name.section.genera'],
  [LINEA, L('lunghezza percorso'), 'lunghezza percorso', 'keyword.other.entry.genera'],
  [LINEA, L('lunghezza percorso'), '39000', 'constant.numeric.integer.genera'],
  [LINEA, L('progressiva chilometrica due'), '-1900', 'constant.numeric.integer.genera'],
  [LINEA, L('ripetizione segnali'), 'ripetizione segnali 4 codici', 'keyword.other.entry.genera'],
  [LINEA, L('curvas6'), 'curvas6', 'keyword.other.entry.genera'],
  [LINEA, L('indicatori_vmax,  2200'), 'indicatori_vmax', 'keyword.other.entry.genera'],
  [LINEA, L('indicatori_vmax,  2200'), ',', 'punctuation.separator.field.genera'],
  [LINEA, L('cartello_indicatore,  6300'), 'cartello_indicatore', 'keyword.other.entry.genera'],
  [LINEA, L('cartello_indicatore,  6300'), '(Km 4.437)', 'string.unquoted.sign.genera'],
  [LINEA, L('cartello_indicatore,  6300'), '6300', 'constant.numeric.integer.genera'],
  [LINEA, L('[fine]'), 'fine', 'entity.name.section.genera'],
  // A first field with a minus sign is a separator, whatever else it holds.
  [LINEA, '---- curve di raccordo ----', 'curve di raccordo', 'comment.line.separator.genera'],
  [LINEA, 'pendenza,  7400,  -2', '-2', 'constant.numeric.integer.genera'],
  // "progressiva" is matched with its case: a capital P is no keyword for the reader.
  [LINEA, 'Progressiva chilometrica uno,  0,  0,  0', 'Progressiva chilometrica uno', 'invalid.illegal.keyword.genera'],
  [LINEA, 'pendenzza,  100,  2', 'pendenzza', 'invalid.illegal.keyword.genera'],

  [SERVIZIO, S('[stazioni]'), 'stazioni', 'entity.name.section.genera'],
  [SERVIZIO, S('numero vetture'), 'numero vetture', 'keyword.other.entry.genera'],
  [SERVIZIO, S('orologio'), 'orologio', 'keyword.other.entry.genera'],
  [SERVIZIO, S('orologio'), '14', 'constant.numeric.integer.genera'],
  [SERVIZIO, S('velocita,    2200'), '85', 'constant.numeric.integer.genera'],
  [SERVIZIO, S('stazione,    1900'), 'stazione', 'keyword.other.entry.genera'],
  [SERVIZIO, S('stazione,    1900'), '500', 'constant.numeric.integer.genera'],
  [SERVIZIO, S('stazione,    1900'), 'Bivio per STAZIONE 10', 'string.unquoted.name.genera'],
  [SERVIZIO, S('segnale,    1450'), 'segnale', 'keyword.other.entry.genera'],
  [SERVIZIO, S('segnale,    1450'), '1450', 'constant.numeric.integer.genera'],
  // Letter case is ignored by every service keyword; a minus sign disables the entry.
  [SERVIZIO, 'Numero Vetture,  6', 'Numero Vetture', 'keyword.other.entry.genera'],
  [SERVIZIO, '-segnale,  1450,  2, 2, 5,  6, 1,  2,  2,1,0, 0', '1450', 'comment.line.disabled.genera'],
  [SERVIZIO, 'segnalle,  1450', 'segnalle', 'invalid.illegal.keyword.genera'],
];

async function main() {
  const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm')).buffer;
  await oniguruma.loadWASM(wasm);
  const registry = new vsctm.Registry({
    onigLib: Promise.resolve({
      createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
      createOnigString: (s) => new oniguruma.OnigString(s),
    }),
    loadGrammar: async (scope) =>
      grammars[scope] ? vsctm.parseRawGrammar(fs.readFileSync(grammars[scope], 'utf8'), grammars[scope]) : null,
  });
  const loaded = {};
  for (const scope of Object.keys(grammars)) loaded[scope] = await registry.loadGrammar(scope);

  let failures = 0;
  for (const [scope, line, text, expected] of cases) {
    const at = line.indexOf(text);
    if (at < 0) throw new Error(`test table: "${text}" is not in "${line}"`);
    const { tokens } = loaded[scope].tokenizeLine(line, vsctm.INITIAL);
    // Every token that overlaps the text must carry the expected scope.
    const wrong = tokens.filter((t) => t.startIndex < at + text.length && t.endIndex > at)
      .filter((t) => !t.scopes.includes(expected));
    if (wrong.length > 0) {
      failures++;
      const seen = wrong.map((t) => `"${line.slice(t.startIndex, t.endIndex)}" ${t.scopes.join(' ')}`).join('; ');
      console.error(`FAIL ${scope}: in "${line}", "${text}" should be ${expected}; got ${seen}`);
    }
  }
  // Every line of the examples must tokenise without an unknown keyword.
  for (const [scope, file] of [[LINEA, 'Sorvanta_linea.txt'], [SERVIZIO, 'Sorvanta_E48027-.txt'],
                               [LINEA, 'Valcorta_linea.txt'], [SERVIZIO, 'Valcorta_R2231-.txt']]) {
    let stack = vsctm.INITIAL;
    for (const line of fs.readFileSync(path.join(examples, file), 'latin1').split(/\r\n/)) {
      const result = loaded[scope].tokenizeLine(line, stack);
      stack = result.ruleStack;
      if (result.tokens.some((t) => t.scopes.some((s) => s.startsWith('invalid.')))) {
        failures++;
        console.error(`FAIL ${file}: "${line}" has a part marked invalid`);
      }
    }
  }
  console.log(`grammar tests: ${cases.length} cases and the examples, ${failures} failures`);
  process.exit(failures === 0 ? 0 : 1);
}

main().catch((e) => { console.error(e); process.exit(1); });
