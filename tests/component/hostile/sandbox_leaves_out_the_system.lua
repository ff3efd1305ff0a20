-- korvane-host: --sandbox --no-mouse-moves
-- exit status: 0
-- output: os.execute=nil io=nil package=nil require=nil debug=nil dofile=nil loadfile=nil os.getenv=nil.*binary chunk refused:..*attempt to load a binary chunk.*text chunk:.3.*clock ok
-- A sandboxed script gets the language, text, tables and mathematics, but
-- nothing that reaches files, programs, loaded code or the interpreter.
print(("os.execute=%s io=%s package=%s require=%s debug=%s dofile=%s loadfile=%s os.getenv=%s"):format(
  tostring(os.execute), tostring(io), tostring(package), tostring(require), tostring(debug),
  tostring(dofile), tostring(loadfile), tostring(os.getenv)))
local chunk, err = load(string.dump(function() return 1 end))
print("binary chunk refused:", chunk == nil and err)
print("text chunk:", load("return 1 + 2")())
print(type(os.clock()) == "number" and "clock ok")
