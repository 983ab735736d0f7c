-- wrk script: each request submits another recording from a folder of distinct games, so that
-- the board verifies every one; a thread stops once its share is sent. Arguments after "--":
-- the folder and wrk's thread count. done() prints what wrk's own rate cannot: accepted games a
-- second over the time the threads really ran, with the latency percentiles.
local ffi = require("ffi")
ffi.cdef [[
typedef struct { long tv_sec; long tv_nsec; } zelto_timespec;
int clock_gettime(int clock, zelto_timespec* time);
]]
local function now()
    local t = ffi.new("zelto_timespec")
    ffi.C.clock_gettime(1, t)
    return tonumber(t.tv_sec) + tonumber(t.tv_nsec) / 1e9
end

local threads = {}
function setup(thread)
    thread:set("id", #threads)
    table.insert(threads, thread)
end

function init(args)
    local folder, count = args[1], tonumber(args[2])
    requests, sent, accepted, other = {}, 0, 0, 0
    local key = string.format("%064x", id + 1)
    local list = io.popen('ls "' .. folder .. '"')
    local at = 0
    for name in list:lines() do
        if at % count == id then
            local file = io.open(folder .. "/" .. name, "rb")
            table.insert(requests, wrk.format("POST", "/api/v1/games",
                { ["Authorization"] = "Zelto-Key " .. key, ["Content-Type"] = "text/plain" },
                file:read("*a")))
            file:close()
        end
        at = at + 1
    end
    list:close()
end

function request()
    if sent == 0 then first = now() end
    sent = sent + 1
    if sent > #requests then
        wrk.thread:stop()
        sent = #requests
    end
    return requests[sent]
end

function response(status)
    if status == 201 then accepted = accepted + 1 else other = other + 1 end
    last = now()
end

function done(summary, latency)
    local games, refused, first, last = 0, 0, nil, nil
    for _, thread in ipairs(threads) do
        games = games + thread:get("accepted")
        refused = refused + thread:get("other")
        local a, b = thread:get("first"), thread:get("last")
        if a and (not first or a < first) then first = a end
        if b and (not last or b > last) then last = b end
    end
    io.write(string.format("submit: %d accepted, %d other, %.1f s, %.0f/s, p50 %.1f ms, p99 %.1f ms\n",
        games, refused, last - first, games / (last - first),
        latency:percentile(50) / 1000, latency:percentile(99) / 1000))
end
