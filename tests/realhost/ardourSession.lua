-- One session in Ardour's headless Lua session tool (luasession): a MIDI track with the VST 3
-- instrument, a constant tempo, a few parameters set away from their defaults, an export of the
-- first bars through the master bus (the sequencer follows the host's transport from bar 1), then
-- the session saved, closed, loaded again and exported a second time. Run by ardourRender.sh.
-- Arguments: 1 session folder (new)  2 export folder  3 seconds  4 BPM  5 sample rate.
-- Lines starting with "RH:" are for the calling script.

local session_dir, export_dir = arg[1], arg[2]
local seconds, bpm, rate = tonumber (arg[3]), tonumber (arg[4]), tonumber (arg[5])

local function fail (message)
	print ("RH: FAIL " .. message)
	error (message)
end

local function instrument_info ()
	for p in ARDOUR.LuaAPI.list_plugins ():iter () do
		if p.type == ARDOUR.PluginType.VST3 then
			print (string.format ("RH: found VST3 '%s' by '%s' category %s", p.name, p.creator, p.category))
			return p
		end
	end
	return nil
end

local function instrument_of (track)
	local i = 0
	while true do
		local processor = track:nth_plugin (i)
		if processor:isnil () then return nil end
		local insert = processor:to_insert ()
		if insert:type () == ARDOUR.PluginType.VST3 then return insert end
		i = i + 1
	end
end

local function values_of (insert)
	local plugin = insert:plugin (0)
	local values = {}
	for n = 0, plugin:parameter_count () - 1 do
		values[n] = ARDOUR.LuaAPI.get_plugin_insert_param (insert, n, false)
	end
	return values
end

local function export (name)
	local length = math.floor (seconds * rate)
	local e = Session:simple_export ()
	if not e:set_preset ("95ee5857-e05e-4e28-a637-71ef00aaf0b6") then fail ("export preset not found") end
	e:set_folder (export_dir)
	e:set_name (name)
	e:set_range (0, length)
	if not e:check_outputs () then fail ("export: the master bus has no outputs") end
	local ok = e:run_export ()
	print (string.format ("RH: export %s %s (%d samples)", name, ok and "ok" or "FAILED", length))
	if not ok then fail ("export failed") end
end

local s = create_session (session_dir, "realhost", rate)
if not s then fail ("create_session failed") end
print ("RH: session created, rate " .. Session:nominal_sample_rate () .. ", block " .. Session:get_block_size ())

local map = Temporal.TempoMap.fetch_writable ()
map:set_tempo (Temporal.Tempo (bpm, bpm, 4), Temporal.timepos_t (0))
Temporal.TempoMap.update (map)
map = nil

local info = instrument_info ()
if not info then fail ("no VST 3 plugin known to Ardour (scan or cache problem)") end
local tracks = Session:new_midi_track (
	ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1),
	ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2),
	true, info, nil, nil, 1, "Synth",
	ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, false)
sleep (0.5) -- luasession has no event loop: let the ports settle
if tracks:size () ~= 1 then fail ("new_midi_track failed") end
local track = tracks:front ()
local insert = instrument_of (track)
if not insert then fail ("the instrument was not added (it did not instantiate?)") end
local plugin = insert:plugin (0)
print (string.format ("RH: instrument '%s' by '%s', %d parameters", plugin:name (), plugin:maker (), plugin:parameter_count ()))

-- Away from the defaults, so that a restored state shows: by name, as Ardour lists them, in the
-- units it shows (percent, the choice's number).
local wanted = { ["Cutoff"] = 55, ["Waveform"] = 1, ["Decay"] = 30 }
for n = 0, plugin:parameter_count () - 1 do
	local label = plugin:parameter_label (n)
	if wanted[label] then
		ARDOUR.LuaAPI.set_plugin_insert_param (insert, n, wanted[label])
		print (string.format ("RH: set %d '%s' = %g", n, label, wanted[label]))
	end
end
sleep (0.2)

Session:save_state ("", false, false, false, false, false)
export ("first")
Session:save_state ("", false, false, false, false, false)

local before = values_of (insert)
insert, plugin, track, tracks = nil, nil, nil, nil
collectgarbage ()
close_session ()

if not load_session (session_dir, "realhost") then fail ("the saved session did not load") end
local reloaded = instrument_of (Session:route_by_name ("Synth"):to_track ())
if not reloaded then fail ("the instrument is missing after the reload") end
local after = values_of (reloaded)
local differ = 0
for n, v in pairs (before) do
	if math.abs (v - after[n]) > 1e-6 then
		differ = differ + 1
		print (string.format ("RH: parameter %d: %g before, %g after the reload", n, v, after[n]))
	end
end
print (string.format ("RH: state: %d parameters compared, %d differ", #before + 1, differ))
export ("reloaded")
Session:save_state ("reloaded", false, false, false, false, false)
reloaded = nil
print ("RH: done")
