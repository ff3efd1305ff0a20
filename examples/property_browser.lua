-- korvane-host: --design
-- What a form designer's property browser shows, read from the type
-- information the library carries: the browsable properties by category
-- with their current values, then the events by number and the styles.

local info = ctl:typeinfo()
print(info.name .. " " .. info.version .. ": " .. info.help)
print("class " .. info.class.name .. " (" .. info.class.progid .. "), interfaces "
      .. info.class.interface .. " and " .. info.class.events)

local styleNames = {}
for _, s in ipairs(info.enums.StyleType) do styleNames[s.value] = s.name end

local groups, order = {}, {}
for _, m in ipairs(info.members) do
  local kinds = table.concat(m.kinds, "/")
  local writable = kinds:find("let") or kinds:find("set")
  if not m.hidden and kinds:find("get") and writable and #m.params == 1 then
    local group = m.category ~= "" and m.category:sub(2) or "Misc"
    if not groups[group] then groups[group] = {}; order[#order + 1] = group end
    local value = ctl:get(m.name)
    if m.name == "Style" then value = value .. " - " .. styleNames[value] end
    if m.name == "Backcolor" or m.name == "Forecolor" then value = string.format("0x%08X", value & 0xFFFFFFFF) end
    table.insert(groups[group], string.format("  %-12s %-22s %s", m.name, tostring(value), m.help))
  end
end
table.sort(order)
for _, group in ipairs(order) do
  print(group)
  table.sort(groups[group])
  for _, line in ipairs(groups[group]) do print(line) end
end

print("Events")
for _, e in ipairs(info.events) do
  local params = {}
  for _, p in ipairs(e.params) do params[#params + 1] = p.name .. ": " .. p.type .. " by reference" end
  print(string.format("  %d %s(%s)", e.number, e.name, table.concat(params, ", ")))
end

print("Methods")
for _, m in ipairs(info.members) do
  if m.kinds[1] == "method" then
    local params = {}
    for _, p in ipairs(m.params) do
      params[#params + 1] = p.name .. ": " .. p.type .. (p.optional and " = " .. tostring(p.default) or "")
    end
    print(string.format("  %-10s 0x%08X (%s)", m.name, m.id & 0xFFFFFFFF, table.concat(params, ", ")))
  end
end
