-- Run by test.sh in a headless Neovim that read docs/editors.md's set-up and
-- opened the example line description (its train beside it, both named in
-- upper case): the server must attach, a second
-- speed board on the first one's cell must get its diagnostic at the new
-- line, and removing that line must clear it. Ends Neovim with status 0 only
-- when every step held.
local function fail(message)
  io.stderr:write('neovim test: ' .. message .. '\n')
  vim.cmd('cquit 1')
end

local function check(ok, message)
  if not ok then fail(message) end
  return ok
end

local buf = vim.api.nvim_get_current_buf()
if not check(vim.bo[buf].filetype == 'binario', 'the description was opened as "' .. vim.bo[buf].filetype .. '"') then return end
if not check(vim.bo[buf].fileencoding == 'cp1252', 'read as "' .. vim.bo[buf].fileencoding .. '", not as cp1252') then return end
if not check(vim.bo[buf].omnifunc == 'v:lua.vim.lsp.omnifunc', 'omnifunc is "' .. vim.bo[buf].omnifunc .. '"') then return end

local clients = vim.lsp.get_clients or vim.lsp.get_active_clients
local attached = vim.wait(10000, function()
  for _, c in ipairs(clients()) do
    if c.name == 'binario' and c.initialized and vim.lsp.buf_is_attached(buf, c.id) then return true end
  end
  return false
end, 20)
if not check(attached, 'the server did not attach within 10 s') then return end

local function code_of(d)
  if d.code then return d.code end
  return d.user_data and d.user_data.lsp and d.user_data.lsp.code
end

-- The second board goes right after the first one, on its cell.
local lines = vim.api.nvim_buf_get_lines(buf, 0, -1, false)
local first
for i, line in ipairs(lines) do
  if line:match('^indicatori_vmax') then first = i break end
end
if not check(first, 'the example has no speed board') then return end
vim.api.nvim_buf_set_lines(buf, first, first, false, { 'indicatori_vmax, 600, 90, 100, 100, 0, 0, 0, 0, 0' })

local seen
local clash = vim.wait(10000, function()
  seen = vim.diagnostic.get(buf)
  return #seen > 0
end, 20)
if not check(clash, 'no diagnostic for the clash within 10 s') then return end
if not check(#seen == 1, #seen .. ' diagnostics, expected 1: ' .. vim.inspect(seen)) then return end
local d = seen[1]
if not check(tonumber(code_of(d)) == 21, 'code ' .. tostring(code_of(d)) .. ', expected 21') then return end
if not check(d.lnum == first and d.col == 0, 'at ' .. d.lnum .. ':' .. d.col .. ', expected ' .. first .. ':0') then return end
if not check(d.severity == vim.diagnostic.severity.ERROR, 'not an error') then return end

vim.api.nvim_buf_set_lines(buf, first, first + 1, false, {})
local cleared = vim.wait(10000, function() return #vim.diagnostic.get(buf) == 0 end, 20)
if not check(cleared, 'the diagnostic stayed after the clash was removed') then return end

io.stdout:write('neovim test: ok\n')
vim.cmd('qall!')
