-- Neovim's own client, no plugin, against `genera_scenario lsp`, set up as the README says.
-- Reads back the diagnostics of a faulty service, a hover, the formatting of a messy line and,
-- with the timetable on, a time that cannot be kept.
local program = os.getenv('GS_PROGRAM')
local folder = os.getenv('GS_FOLDER')
local failures = {}
local function expect(ok, what) if not ok then table.insert(failures, what) end end

local genera_client, encodings
vim.api.nvim_create_autocmd('BufReadPre', { pattern = { '*_linea.txt', '*-.txt' }, callback = function()
  encodings = vim.o.fileencodings
  vim.o.fileencodings = 'cp1252'
end })
vim.api.nvim_create_autocmd('BufReadPost', { pattern = { '*_linea.txt', '*-.txt' }, callback = function()
  vim.o.fileencodings = encodings or vim.o.fileencodings
end })
vim.api.nvim_create_autocmd({ 'BufRead', 'BufNewFile' }, {
  pattern = { '*_linea.txt', '*-.txt' },
  callback = function(args)
    genera_client = genera_client or vim.lsp.start_client({ name = 'genera_scenario', cmd = { program, 'lsp' } })
    vim.lsp.buf_attach_client(args.buf, genera_client)
  end,
})

local function line_of(buf, prefix)
  for i, l in ipairs(vim.api.nvim_buf_get_lines(buf, 0, -1, false)) do
    if l:sub(1, #prefix) == prefix then return i - 1, l end
  end
  error('no line starts with ' .. prefix)
end

-- The faulty service: a mistyped keyword, underlined with its "did you mean".
vim.cmd('edit ' .. folder .. '/Prova_E1-.txt')
local service = vim.api.nvim_get_current_buf()
expect(vim.bo[service].fileencoding == 'cp1252', 'the service is read as cp1252, not ' .. vim.bo[service].fileencoding)
vim.wait(10000, function() return #vim.diagnostic.get(service) > 0 end, 20)
local typo = line_of(service, 'segnalle')
local found = vim.diagnostic.get(service)
expect(#found == 1, 'one diagnostic, got ' .. #found)
if #found >= 1 then
  expect(found[1].lnum == typo and found[1].col == 0 and found[1].end_col == 8,
         'the keyword is underlined: line ' .. found[1].lnum .. ' columns ' .. found[1].col .. '-' .. found[1].end_col)
  expect(found[1].message:find('did you mean "segnale"', 1, true) ~= nil, 'did you mean: ' .. found[1].message)
  expect(found[1].severity == vim.diagnostic.severity.ERROR, 'an error: the entry is dropped')
end

-- Hover on a station's third field names it.
local station, text = line_of(service, 'stazione,    4000')
local column = text:find('200', 1, true) - 1
local answers = vim.lsp.buf_request_sync(service, 'textDocument/hover', {
  textDocument = { uri = vim.uri_from_bufnr(service) }, position = { line = station, character = column } }, 5000)
local hover = ''
for _, a in pairs(answers or {}) do
  if a.result then hover = a.result.contents.value end
end
expect(hover:find('**length**', 1, true) == 1, 'hover on the third field: ' .. hover)

-- Formatting a messy line gives the canonical layout.
vim.cmd('edit ' .. folder .. '/Disordinata_linea.txt')
local messy = vim.api.nvim_get_current_buf()
vim.wait(10000, function()
  local c = vim.lsp.get_client_by_id(genera_client)
  return c ~= nil and c.initialized and vim.lsp.buf_is_attached(messy, genera_client)
end, 20)
if vim.lsp.buf.format then vim.lsp.buf.format({ timeout_ms = 5000 }) else vim.lsp.buf.formatting_sync(nil, 5000) end
local got = table.concat(vim.api.nvim_buf_get_lines(messy, 0, -1, false), '\n')
local want = table.concat({
  '[generale]',
  'lunghezza percorso,    9000',
  'ripetizione segnali 4 codici,    0,    0',
  '[curve]',
  'curvas6,  350,  100',
  '[pendenze]',
  'pendenza,  0,   0',
  'pendenza,  400,   -2',
  '[cartelli]',
  'indicatori_vmax,  700,  95,  100,  105,  0,  ,  ,  ,  0',
  '[indicazioni]',
  'cartello_indicatore,  450,   (PONTE SUL     )(FIUME VALSIN 1)',
  '[fine]',
}, '\n')
expect(got == want, 'formatted:\n' .. got)

-- With the timetable turned on by a change of settings, a time the train cannot keep is an
-- error at the station's time fields.
vim.lsp.get_client_by_id(genera_client).notify('workspace/didChangeConfiguration', { settings = { timetable = true } })
vim.cmd('edit ' .. folder .. '/Tardi_E2-.txt')
local late = vim.api.nvim_get_current_buf()
local function errors() return vim.diagnostic.get(late, { severity = vim.diagnostic.severity.ERROR }) end
vim.wait(10000, function() return #errors() > 0 end, 20)
local terminus = line_of(late, 'stazione,   33400')
local wrong = errors()
expect(#wrong == 1, 'one error in the late service, got ' .. #wrong)
if #wrong >= 1 then
  expect(wrong[1].lnum == terminus and wrong[1].col == 62 and wrong[1].end_col == 70,
         'the time fields are underlined: line ' .. wrong[1].lnum .. ' columns ' .. wrong[1].col .. '-' .. wrong[1].end_col)
  expect(wrong[1].message:find('scheduled arrival 10:40:00, earliest arrival 10:51:15', 1, true) ~= nil,
         'the earliest arrival: ' .. wrong[1].message)
end

for _, f in ipairs(failures) do io.stderr:write('FAIL ' .. f .. '\n') end
io.stderr:write('neovim: ' .. #failures .. ' failures\n')
vim.cmd(#failures == 0 and 'qall!' or 'cquit 1')
