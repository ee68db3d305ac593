-- Wireshark dissector for the Aulira device protocol (UDP port 65176).
--
-- Decodes the 20-byte header, the command names, the checksum (with an expert
-- note when it does not match), the identity record of search replies, the
-- main fields of the parameter record (read replies and writes), the time
-- setting, address-book and upgrade packets (their packet numbers).
--
-- Use:  wireshark -X lua_script:tools/wireshark/aulira.lua
--       tshark -X lua_script:tools/wireshark/aulira.lua -r capture.pcapng
-- or copy the file into Wireshark's personal plugins folder
-- (Help > About > Folders > Personal Lua Plugins).

local PORT = 65176
local HEADER = 20

local p = Proto("aulira", "Aulira Device Protocol")

local commands = {
    [0x0201] = "CMD_SEARCH",
    [0x0202] = "CMD_READ_SYS_PARA",
    [0x0203] = "CMD_WRITE_SYS_PARA",
    [0x0204] = "CMD_APPLY_SYS_PARA",
    [0x0207] = "CMD_ADDR_BOOK",
    [0x060B] = "CMD_SYNC_TIME",
    [0x5901] = "CMD_ENTER_BOOT",
    [0x5903] = "CMD_UPGRADE_PACKET",
    [0x5A01] = "CMD_SCREEN_STATUS",
    [0x5A03] = "CMD_SCREEN_ENTER_APP",
    [0x5A04] = "CMD_SCREEN_START",
    [0x5A05] = "CMD_SCREEN_END",
    [0x5A06] = "CMD_SCREEN_WRITE_BUFFER",
    [0x5A07] = "CMD_SCREEN_WRITE_FLASH",
}

local work_states = {
    [0] = "Offline", [1] = "Idle", [2] = "Realtime playing", [3] = "Calling",
    [4] = "Recording", [5] = "Alarm", [6] = "Local playing", [7] = "TTS playing",
}

local f = p.fields
f.magic = ProtoField.string("aulira.magic", "Magic")
f.command = ProtoField.uint16("aulira.command", "Command", base.HEX)
f.command_name = ProtoField.string("aulira.command.name", "Command name")
f.reply = ProtoField.bool("aulira.reply", "Reply (bit 15)")
f.packet_count = ProtoField.uint16("aulira.packet_count", "Packet count", base.DEC)
f.packet_no = ProtoField.uint16("aulira.packet_no", "Packet number", base.DEC)
f.length = ProtoField.uint16("aulira.length", "Payload length", base.DEC)
f.hdr_flag = ProtoField.uint16("aulira.hdr_flag", "Header flag", base.DEC)
f.poll_mark = ProtoField.uint16("aulira.poll_mark", "Poll mark", base.HEX)
f.target_ip = ProtoField.ipv4("aulira.target_ip", "Target IP")
f.payload = ProtoField.bytes("aulira.payload", "Payload")
f.checksum = ProtoField.uint16("aulira.checksum", "Checksum", base.HEX)
f.checksum_calc = ProtoField.uint16("aulira.checksum.calculated", "Calculated checksum", base.HEX)
f.checksum_status = ProtoField.string("aulira.checksum.status", "Checksum status")
f.trailer = ProtoField.bytes("aulira.trailer", "Bytes behind the checksum")

-- Identity record (search reply).
f.id_type = ProtoField.int32("aulira.id.type_code", "Type code")
f.id_no = ProtoField.int32("aulira.id.dev_no", "Device NO")
f.id_firmware = ProtoField.stringz("aulira.id.firmware", "Firmware version")
f.id_name = ProtoField.stringz("aulira.id.name", "Device name")
f.id_model = ProtoField.stringz("aulira.id.model", "Model text")
f.id_mac = ProtoField.ether("aulira.id.mac", "MAC")
f.id_ip = ProtoField.ipv4("aulira.id.ip", "IP address")
f.id_mask = ProtoField.ipv4("aulira.id.mask", "Subnet mask")
f.id_gateway = ProtoField.ipv4("aulira.id.gateway", "Gateway")
f.id_server = ProtoField.ipv4("aulira.id.server", "Audio server")
f.id_alt_server = ProtoField.ipv4("aulira.id.alt_server", "Alternative audio server")
f.id_dns1 = ProtoField.ipv4("aulira.id.dns1", "DNS 1")
f.id_dns2 = ProtoField.ipv4("aulira.id.dns2", "DNS 2")
f.id_work_state = ProtoField.uint16("aulira.id.work_state", "Work state", base.DEC, work_states)
f.id_groups = ProtoField.bytes("aulira.id.groups", "Groups", base.SPACE)
f.id_model_name = ProtoField.stringz("aulira.id.model_name", "Model name")

-- Parameter record (read reply, write).
f.para_layout = ProtoField.uint16("aulira.para.layout", "Record layout (bytes)")
f.para_firmware = ProtoField.stringz("aulira.para.firmware", "Firmware version")
f.para_mac = ProtoField.ether("aulira.para.mac", "MAC")
f.para_no = ProtoField.int32("aulira.para.device_no", "Local Machine NO")
f.para_name = ProtoField.stringz("aulira.para.device_name", "Device name")
f.para_dhcp = ProtoField.uint8("aulira.para.dhcp", "Obtain IP address automatically")
f.para_ip = ProtoField.ipv4("aulira.para.ip", "IP address")
f.para_mask = ProtoField.ipv4("aulira.para.mask", "Subnet mask")
f.para_gateway = ProtoField.ipv4("aulira.para.gateway", "Default gateway")
f.para_port = ProtoField.uint16("aulira.para.server_port", "Server port")
f.para_server = ProtoField.ipv4("aulira.para.server_ip", "Server IP")
f.para_alt_server = ProtoField.ipv4("aulira.para.alt_server_ip", "Alternative server IP")
f.para_groups = ProtoField.bytes("aulira.para.groups", "Affiliated groups", base.SPACE)
f.para_volume = ProtoField.uint8("aulira.para.volume", "Volume")
f.para_old_mac = ProtoField.ether("aulira.para.old_mac", "Old MAC (MAC change)")
f.mac = ProtoField.ether("aulira.mac", "Device MAC")

-- Time setting.
f.time = ProtoField.string("aulira.time", "Local time")

-- Upgrades.
f.upgrade_magic = ProtoField.stringz("aulira.upgrade.magic", "Upgrade file magic")
f.upgrade_version = ProtoField.stringz("aulira.upgrade.version", "Version")
f.upgrade_date = ProtoField.stringz("aulira.upgrade.date", "Compile date")
f.upgrade_model = ProtoField.stringz("aulira.upgrade.model", "Model")
f.upgrade_verdict = ProtoField.uint16("aulira.upgrade.verdict", "Header verdict", base.DEC,
    { [0] = "accepted", [1] = "device type does not match" })
f.screen_offset = ProtoField.uint16("aulira.screen.offset", "Piece offset in block")
f.screen_piece = ProtoField.uint16("aulira.screen.piece_length", "Piece length")
f.screen_address = ProtoField.uint32("aulira.screen.flash_address", "Flash address", base.HEX)
f.screen_block = ProtoField.uint16("aulira.screen.block_length", "Block length")
f.screen_state = ProtoField.uint8("aulira.screen.state", "Screen state", base.HEX)

local ef_checksum = ProtoExpert.new("aulira.checksum.bad", "Checksum does not match",
    expert.group.CHECKSUM, expert.severity.ERROR)
local ef_short = ProtoExpert.new("aulira.short", "Datagram shorter than its length field says",
    expert.group.MALFORMED, expert.severity.ERROR)
local ef_magic = ProtoExpert.new("aulira.magic.bad", "Not KPUC", expert.group.PROTOCOL, expert.severity.WARN)
local ef_command = ProtoExpert.new("aulira.command.unknown", "Unknown command code",
    expert.group.PROTOCOL, expert.severity.WARN)
p.experts = { ef_checksum, ef_short, ef_magic, ef_command }

local function ip_at(tree, field, buf, off, limit)
    if off + 4 <= limit then tree:add(field, buf(off, 4)) end
end

local function identity(tree, buf, off, len)
    local t = tree:add(p, buf(off, len), "Identity record")
    local e = off + len
    local function put(field, o, n, le)
        if off + o + n <= e then
            if le then t:add_le(field, buf(off + o, n)) else t:add(field, buf(off + o, n)) end
        end
    end
    put(f.id_type, 0, 4, true)
    put(f.id_no, 4, 4, true)
    put(f.id_firmware, 8, 16)
    put(f.id_name, 24, 32)
    put(f.id_model, 56, 16)
    put(f.id_mac, 72, 6)
    for _, x in ipairs({ { f.id_ip, 80 }, { f.id_mask, 84 }, { f.id_gateway, 88 }, { f.id_server, 92 },
        { f.id_alt_server, 96 }, { f.id_dns1, 104 }, { f.id_dns2, 108 } }) do
        ip_at(t, x[1], buf, off + x[2], e)
    end
    put(f.id_work_state, 116, 2, true)
    put(f.id_groups, 118, 8)
    put(f.id_model_name, 208, 16)
    if off + 80 + 4 <= e then
        return tostring(buf(off + 80, 4):ipv4()), buf(off + 24, 32):stringz()
    end
end

-- Offsets of the main fields in the 436- and 392-byte records.
local layouts = {
    [436] = { no = 68, name = 72, dhcp = 120, ip = 124, mask = 128, gateway = 132, port = 148,
        server = 152, alt = 156, groups = 160, volume = 173 },
    [392] = { no = 64, name = 68, dhcp = 116, ip = 120, mask = 124, gateway = 128, port = 144,
        server = 148, alt = 152, groups = 156, volume = 164 },
}

local function para_record(tree, buf, off, len)
    local size = nil
    if len == 436 or len == 448 then size = 436 elseif len == 392 or len == 404 then size = 392 end
    if not size then
        if len >= 436 then size = 436 elseif len >= 392 then size = 392 else return end
    end
    local l = layouts[size]
    local t = tree:add(p, buf(off, math.min(len, size)), "Parameter record (" .. size .. " bytes)")
    t:add(f.para_layout, buf(off, 0), size):set_generated()
    t:add(f.para_firmware, buf(off + 4, 52))
    t:add(f.para_mac, buf(off + 56, 6))
    t:add_le(f.para_no, buf(off + l.no, 4))
    t:add(f.para_name, buf(off + l.name, 16))
    t:add(f.para_dhcp, buf(off + l.dhcp, 1))
    t:add(f.para_ip, buf(off + l.ip, 4))
    t:add(f.para_mask, buf(off + l.mask, 4))
    t:add(f.para_gateway, buf(off + l.gateway, 4))
    t:add_le(f.para_port, buf(off + l.port, 2))
    t:add(f.para_server, buf(off + l.server, 4))
    t:add(f.para_alt_server, buf(off + l.alt, 4))
    t:add(f.para_groups, buf(off + l.groups, 8))
    t:add(f.para_volume, buf(off + l.volume, 1))
    if len >= size + 6 then tree:add(f.para_old_mac, buf(off + size, 6)) end
    return buf(off + l.name, 16):stringz(), tostring(buf(off + l.ip, 4):ipv4())
end

local function payload_details(tree, pinfo, buf, cmd, is_reply, len, hdr)
    local off = HEADER
    local info = nil
    if len == 0 then return nil end
    if cmd == 0x0201 and is_reply then
        local ip, name = identity(tree, buf, off, math.min(len, 224))
        if ip then info = string.format("%s \"%s\"", ip, name) end
    elseif (cmd == 0x0202 or cmd == 0x0204) and len >= 6 and not is_reply then
        tree:add(f.mac, buf(off, 6))
        info = tostring(buf(off, 6):ether())
    elseif cmd == 0x0202 or cmd == 0x0203 then
        if len >= 392 then
            local name, ip = para_record(tree, buf, off, len)
            if name then info = string.format("%s \"%s\"", ip, name) end
        end
    elseif cmd == 0x060B and len >= 8 then
        local s = string.format("%04d-%02d-%02d %02d:%02d:%02d", buf(off, 2):le_uint(), buf(off + 2, 1):uint(),
            buf(off + 3, 1):uint(), buf(off + 4, 1):uint(), buf(off + 5, 1):uint(), buf(off + 6, 1):uint())
        tree:add(f.time, buf(off, 8), s)
        info = s
    elseif cmd == 0x5903 and not is_reply and hdr.packet_no == 0 and len >= 128 then
        local t = tree:add(p, buf(off, 128), "Upgrade file header")
        t:add(f.upgrade_magic, buf(off, 16))
        t:add(f.upgrade_version, buf(off + 32, 16))
        t:add(f.upgrade_date, buf(off + 48, 32))
        t:add(f.upgrade_model, buf(off + 80, 48))
        info = "header, model " .. buf(off + 80, 48):stringz()
    elseif cmd == 0x5A06 and not is_reply and len >= 4 then
        tree:add_le(f.screen_offset, buf(off, 2))
        tree:add_le(f.screen_piece, buf(off + 2, 2))
        info = string.format("offset %d, %d bytes", buf(off, 2):le_uint(), buf(off + 2, 2):le_uint())
    elseif cmd == 0x5A07 and not is_reply and len >= 6 then
        tree:add_le(f.screen_address, buf(off, 4))
        tree:add_le(f.screen_block, buf(off + 4, 2))
        info = string.format("address 0x%08X, %d bytes", buf(off, 4):le_uint(), buf(off + 4, 2):le_uint())
    elseif cmd == 0x5A01 and is_reply and len >= 1 then
        tree:add(f.screen_state, buf(off, 1))
    end
    return info
end

function p.dissector(buf, pinfo, root)
    local n = buf:len()
    if n < 22 then return 0 end
    if buf(0, 4):string() ~= "KPUC" then return 0 end
    pinfo.cols.protocol = "AULIRA"

    local raw_cmd = buf(4, 2):le_uint()
    local cmd = raw_cmd % 0x8000
    local bit15 = raw_cmd >= 0x8000
    -- Devices answer from the device port; some set bit 15 as well.
    local is_reply = bit15 or pinfo.src_port == PORT
    local len = buf(10, 2):le_uint()
    local hdr = { packet_count = buf(6, 2):le_uint(), packet_no = buf(8, 2):le_uint() }
    local name = commands[cmd]

    local tree = root:add(p, buf(), "Aulira Device Protocol")
    tree:add(f.magic, buf(0, 4))
    local ci = tree:add_le(f.command, buf(4, 2))
    tree:add(f.command_name, buf(4, 2), name or "unknown"):set_generated()
    if not name then ci:add_proto_expert_info(ef_command) end
    tree:add(f.reply, buf(4, 2), bit15):set_generated()
    tree:add_le(f.packet_count, buf(6, 2))
    tree:add_le(f.packet_no, buf(8, 2))
    tree:add_le(f.length, buf(10, 2))
    tree:add_le(f.hdr_flag, buf(12, 2))
    local pm = tree:add_le(f.poll_mark, buf(14, 2))
    if cmd == 0x5903 and is_reply and hdr.packet_no == 0 then
        pm:add_le(f.upgrade_verdict, buf(14, 2))
    end
    tree:add(f.target_ip, buf(16, 4))

    local summary = (name or string.format("0x%04X", cmd)) .. (is_reply and " reply" or "")
    if hdr.packet_count > 1 or hdr.packet_no > 0 then
        summary = summary .. string.format(" packet %d/%d", hdr.packet_no, hdr.packet_count)
    end

    if HEADER + len + 2 > n then
        tree:add_proto_expert_info(ef_short)
        pinfo.cols.info = summary .. " [short]"
        return n
    end
    if len > 0 then tree:add(f.payload, buf(HEADER, len)) end

    -- The sum of all header and payload bytes, modulo 65536.
    local sum = 0
    local bytes = buf(0, HEADER + len):bytes()
    for i = 0, HEADER + len - 1 do sum = sum + bytes:get_index(i) end
    sum = sum % 65536
    local stored = buf(HEADER + len, 2):le_uint()
    local ck = tree:add_le(f.checksum, buf(HEADER + len, 2))
    local ckr = buf(HEADER + len, 2)
    ck:add(f.checksum_calc, ckr, sum):set_generated()
    if sum == stored then
        ck:add(f.checksum_status, ckr, "Good"):set_generated()
    else
        ck:add(f.checksum_status, ckr, "Bad"):set_generated()
        ck:add_proto_expert_info(ef_checksum, string.format("Checksum 0x%04X, bytes sum to 0x%04X", stored, sum))
        summary = summary .. " [BAD CHECKSUM]"
    end
    if HEADER + len + 2 < n then tree:add(f.trailer, buf(HEADER + len + 2)) end

    local detail = payload_details(tree, pinfo, buf, cmd, is_reply, len, hdr)
    if detail then summary = summary .. ": " .. detail end
    pinfo.cols.info = summary
    return n
end

DissectorTable.get("udp.port"):add(PORT, p)
