-- Run by editor_latency.sh in a headless Neovim that read docs/editors.md's
-- set-up and opened the example line description. ROUNDS times, a pause,
-- then `yyp` on the first speed board (a second board on its cell: a clash)
-- and, once its diagnostic is shown, `dd` (the clash gone). Each is timed
-- from the change of the buffer (on_lines) to the diagnostics of the buffer
-- shown (DiagnosticChanged: Neovim has set them and drawn their signs and
-- texts). Writes one line per time to $BINARIO_LATENCY_OUT and ends.
local out = assert(io.open(os.getenv('BINARIO_LATENCY_OUT'), 'w'))
local rounds = tonumber(os.getenv('BINARIO_LATENCY_ROUNDS') or '20')

local function fail(message)
  io.stderr:write('editor_latency: ' .. message .. '\n')
  vim.cmd('cquit 1')
end

local buf = vim.api.nvim_get_current_buf()
local clients = vim.lsp.get_clients or vim.lsp.get_active_clients
local attached = vim.wait(10000, function()
  for _, c in ipairs(clients()) do
    if c.name == 'binario' and c.initialized and vim.lsp.buf_is_attached(buf, c.id) then return true end
  end
  return false
end, 5)
if not attached then return fail('the server did not attach within 10 s') end
-- The first check of the text as opened.
vim.wait(2000, function() return false end, 10)

local first
for i, line in ipairs(vim.api.nvim_buf_get_lines(buf, 0, -1, false)) do
  if line:match('^indicatori_vmax') then first = i break end
end
if not first then return fail('the example has no speed board') end

local changed_at, shown_at, expected
vim.api.nvim_buf_attach(buf, false, { on_lines = function() changed_at = vim.loop.hrtime() end })
vim.api.nvim_create_autocmd('DiagnosticChanged', { buffer = buf, callback = function()
  if not shown_at and #vim.diagnostic.get(buf) == expected then shown_at = vim.loop.hrtime() end
end })

local function timed(keys, count, what)
  -- A pause as between two edits of an author: the server's debounce
  -- starts from quiet.
  vim.wait(400, function() return false end, 10)
  expected, shown_at = count, nil
  vim.api.nvim_feedkeys(keys, 'nx', false)
  if not vim.wait(10000, function() return shown_at ~= nil end, 1) then
    return fail(what .. ' not shown within 10 s')
  end
  out:write(string.format('%s %.1f\n', what, (shown_at - changed_at) / 1e6))
  return true
end

for _ = 1, rounds do
  vim.api.nvim_win_set_cursor(0, { first, 0 })
  if not timed('yyp', 1, 'shown') then return end
  if not timed('dd', 0, 'cleared') then return end
end
out:close()
vim.cmd('qall!')
