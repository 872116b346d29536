// Asking the collector for a station's minute values: an MQTT 5 request on the station's
// `history` topic, answered on the response topic the request names, matched by its
// correlation data. Without a collector nobody answers, and the caller hears so after a wait.

import { decodeHistoryAnswer, encodeHistoryRequest } from './payloads.js';

export const HistoryWait = 5000;  // ms

export function requestHistory(client, prefix, station, from, to, wait = HistoryWait) {
    const responseTopic = `${prefix}/${station}/history/answer/${client.options.clientId}`;
    const correlation = Math.random().toString(16).slice(2) + Date.now().toString(16);
    const decoder = new TextDecoder();
    return new Promise((resolve) => {
        let timer;
        const finish = (result) => {
            clearTimeout(timer);
            client.removeListener('message', onMessage);
            client.unsubscribe(responseTopic);
            resolve(result);
        };
        const onMessage = (topic, payload, packet) => {
            if (topic !== responseTopic) return;
            const data = packet.properties?.correlationData;
            if (!data || decoder.decode(data) !== correlation) return;
            finish(decodeHistoryAnswer(decoder.decode(payload)));
        };
        client.on('message', onMessage);
        timer = setTimeout(() => finish({ problem: `no collector answered within ${wait / 1000} s` }), wait);
        client.subscribe(responseTopic, { qos: 1 }, (error, granted) => {
            if (error || !granted?.length || granted[0].qos > 2)
                return finish({ problem: 'the broker does not let this user read the answer' });
            client.publish(`${prefix}/${station}/history`, encodeHistoryRequest(from, to),
                { qos: 1, properties: { responseTopic, correlationData: correlation } },
                (publishError) => {
                    if (publishError) finish({ problem: `the broker refused the request (${publishError.message})` });
                });
        });
    });
}
