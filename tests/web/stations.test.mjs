// What the page makes of the network's messages, without a browser: the readers refuse bad
// payloads with a message, and the store's states, order and counts follow the rules the
// operator reads off the overview.

import assert from 'node:assert/strict';
import { describe, it } from 'node:test';

import { decodeHistoryAnswer, decodeLines, decodeMeta, decodeMinute, decodeStatus, LargestPayload,
         parseInstrumentLine, splitTopic } from '../../web/src/payloads.js';
import { addMinute, MostStations, SilentAfter, StationStore } from '../../web/src/stations.js';

const Line = '2024 01 05 12 34 56  21345.67  -1234.50  45678.90  21.5  20.2';
const lines = (seq, ...texts) => JSON.stringify({ seq, lines: texts });

describe('payloads from any client', () => {
    it('refuses what is not a payload of its kind, saying why', () => {
        const cases = [
            [decodeStatus, 'online', 'status: not JSON'],
            [decodeStatus, '[1]', 'status: not a JSON object'],
            [decodeStatus, '{"state":"<b>up</b>"}', 'status: the state is neither "online" nor "offline"'],
            [decodeStatus, '{"state":"online","next":-1}', 'status: "next" is not a line number'],
            [decodeStatus, `{"state":"online","x":"${'a'.repeat(LargestPayload)}"}`, `status: a message of ${LargestPayload + 25} characters was ignored`],
            [decodeMeta, 'null', 'meta: not a JSON object'],
            [decodeLines, '{"seq":1.5,"lines":[]}', 'lines: "seq" is not a line number'],
            [decodeLines, '{"seq":1,"lines":"x"}', 'lines: no "lines" list'],
            [decodeLines, '{"seq":1,"skip":"all"}', 'lines: "skip" is not a count'],
            [decodeMinute, '{"time":"yesterday","x":1,"y":2,"z":3}', 'minute: "time" is not a UTC time'],
            [decodeMinute, '{"time":"2024-01-05T12:35:00","x":1,"y":"2","z":3}', 'minute: x, y and z are not all numbers'],
        ];
        for (const [decode, text, problem] of cases) assert.equal(decode(text).problem, problem, text.slice(0, 60));
    });

    it('reads instrument lines in UTC and refuses lines that are not', () => {
        assert.deepEqual(parseInstrumentLine(Line),
                         { time: Date.UTC(2024, 0, 5, 12, 34, 56) / 1000, values: [21345.67, -1234.5, 45678.9, 21.5, 20.2] });
        for (const bad of [Line.slice(0, 50), Line.replace('21345.67', '21345.6x'), Line.replace('2024 01', '2024 13'), 42, null])
            assert.equal(parseInstrumentLine(bad), null, String(bad));
        const { batch } = decodeLines(lines(7, Line, 'noise', Line.replace(' 56 ', ' 57 ')));
        assert.equal(batch.count, 3);
        assert.equal(batch.samples.length, 2);
        assert.equal(batch.problem, 'lines: 1 of 3 lines are not instrument lines');
    });

    it('keeps only the texts of a description, whatever else it holds', () => {
        const { meta } = decodeMeta(JSON.stringify({
            station: 'TST', program: 'orvant3k 0.1.0', coefficients: ['1', '2', '3'], fromSeq: 12,
            intermagnet: { IDC: 'TST', interval: 60, nested: { a: 1 } },
            iaga2002: { StationName: '<img src=x onerror=alert(1)>' },
        }));
        assert.deepEqual(meta.intermagnet, [['IDC', 'TST'], ['interval', '60']]);
        assert.equal(meta.filterLength, 3);
        assert.equal(meta.stationName, '<img src=x onerror=alert(1)>');
    });

    it('reads a history answer with missing minutes and refuses a malformed one', () => {
        const { minutes } = decodeHistoryAnswer(JSON.stringify(
            { from: '2024-01-05T00:00:00', step: 60, x: [1, null, 3], y: [4, null, 6], z: [7, null, null] }));
        const start = Date.UTC(2024, 0, 5) / 1000;
        assert.deepEqual(minutes, [{ time: start, x: 1, y: 4, z: 7 }, { time: start + 120, x: 3, y: 6, z: null }]);
        const bad = [
            ['{"error":"no such station"}', 'the collector answered: no such station'],
            ['{"from":"2024-01-05T00:00:00","step":60,"x":[1],"y":[],"z":[1]}', 'history answer: x, y and z are not lists of one length'],
            ['{"from":"2024-01-05T00:00:00","step":0,"x":[],"y":[],"z":[]}', 'history answer: "step" is not a number of seconds'],
            ['{"from":"2024-01-05T00:00:00","step":60,"x":["1"],"y":[1],"z":[1]}', 'history answer: a value is neither a number nor null'],
        ];
        for (const [text, problem] of bad) assert.equal(decodeHistoryAnswer(text).problem, problem);
    });

    it('takes only "<prefix>/<station>/<kind>" topics', () => {
        assert.deepEqual(splitTopic('orvant3k/v1/TST/lines', 'orvant3k/v1'), { station: 'TST', kind: 'lines' });
        for (const topic of ['orvant3k/v1/TST/history/answer/x', 'orvant3k/v1//lines', 'other/TST/lines', 'orvant3k/v1x/TST/lines'])
            assert.equal(splitTopic(topic, 'orvant3k/v1'), null, topic);
    });
});

describe('the station store', () => {
    it('says online, silent after ten seconds without a line, online again, offline', () => {
        const store = new StationStore(1000);
        const record = store.apply('TST', 'meta', '{"station":"TST"}', 1000);
        assert.equal(store.state(record, 1000), 'unknown');
        store.apply('TST', 'status', '{"state":"online"}', 1001);
        assert.equal(store.state(record, 1001 + SilentAfter), 'online');
        assert.equal(store.state(record, 1001 + SilentAfter + 1), 'silent');
        store.apply('TST', 'lines', lines(0, Line), 1020);
        assert.equal(store.state(record, 1025), 'online');
        assert.equal(store.state(record, 1031), 'silent');
        store.apply('TST', 'status', '{"state":"offline"}', 1032);
        assert.equal(store.state(record, 1032), 'offline');
    });

    it('counts lines behind from the station\'s next line and the furthest line seen', () => {
        const store = new StationStore(0);
        const record = store.apply('TST', 'lines', lines(10, Line, Line), 1);
        assert.equal(store.linesBehind(record), null, 'no "next" in the status: nothing to say');
        store.apply('TST', 'status', '{"state":"online","next":15}', 1);
        assert.equal(store.linesBehind(record), 3);
        store.apply('TST', 'lines', lines(5, Line), 2);  // a repeat from before must not count
        assert.equal(store.linesBehind(record), 3);
        store.apply('TST', 'lines', '{"seq":12,"skip":2}', 3);
        assert.equal(store.linesBehind(record), 1);
        store.apply('TST', 'lines', lines(14, Line, Line), 4);  // past a status not yet renewed
        assert.equal(store.linesBehind(record), 0);
    });

    it('keeps the last values shown when a bad message comes, and names the message', () => {
        const store = new StationStore(0);
        const record = store.apply('TST', 'lines', lines(0, Line), 1);
        store.apply('TST', 'lines', '{"seq":1,"lines":["garbage"]}', 2);
        assert.equal(record.lastValues[0], 21345.67);
        assert.equal(record.problem, 'lines: 1 of 1 lines are not instrument lines');
    });

    it('puts trouble first, then by name, and filters by name, station name or state', () => {
        const store = new StationStore(0);
        const online = '{"state":"online"}';
        for (const name of ['D', 'C', 'B', 'A']) store.apply(name, 'status', online, 0);
        store.apply('C', 'status', '{"state":"offline"}', 0);
        store.apply('E', 'meta', '{"iaga2002":{"StationName":"Eskdalemuir"}}', 0);
        for (const name of ['A', 'B', 'C']) store.apply(name, 'lines', lines(0, Line), 20);
        const names = (filter) => store.sorted(filter, 25).map(({ record }) => record.name);
        assert.deepEqual(names(''), ['D', 'C', 'E', 'A', 'B']);  // D silent, C offline, E no status
        assert.deepEqual(names('eskdale'), ['E']);
        assert.deepEqual(names('OFFLINE'), ['C']);
    });

    it('refuses stations past the most it holds and counts them', () => {
        const store = new StationStore(0);
        for (let i = 0; i < MostStations + 3; i++) store.apply(`S${i}`, 'status', '{"state":"online"}', 0);
        assert.equal(store.stations.size, MostStations);
        assert.equal(store.refused, 3);
    });

    it('keeps an hour of minute values in order, without repeats', () => {
        const minutes = [];
        for (const time of [60, 180, 120, 180, 3660, 3720])
            addMinute(minutes, { time, x: time }, 3600);
        assert.deepEqual(minutes.map((m) => m.time), [120, 180, 3660, 3720]);
    });
});
